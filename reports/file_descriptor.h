#pragma once

#include <cstdint>
#include <cstdio>

namespace tarvelo::reports {

// The calls on an open file that the C library leaves to the system, each giving what its
// system call gives: a descriptor or an offset below 0, or any other result but 0, is a
// failure, with errno set. One file a system: file_descriptor_posix.cpp,
// file_descriptor_win32.cpp.
int syncDescriptor(int descriptor);  // the file's data written through to the disk
int cutDescriptor(int descriptor, int64_t length);
int64_t offsetOf(std::FILE* file);
int duplicateDescriptor(int descriptor);
int closeDescriptor(int descriptor);

}  // namespace tarvelo::reports
