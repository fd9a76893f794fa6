#include "file_descriptor.h"

#include <unistd.h>

namespace tarvelo::reports {

int syncDescriptor(int descriptor) { return fsync(descriptor); }
int cutDescriptor(int descriptor, int64_t length) { return ftruncate(descriptor, length); }
int64_t offsetOf(std::FILE* file) { return ftello(file); }
int duplicateDescriptor(int descriptor) { return dup(descriptor); }
int closeDescriptor(int descriptor) { return close(descriptor); }

}  // namespace tarvelo::reports
