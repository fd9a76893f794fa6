#include "file_descriptor.h"

#include <io.h>

namespace tarvelo::reports {

int syncDescriptor(int descriptor) { return _commit(descriptor); }
int cutDescriptor(int descriptor, int64_t length) { return _chsize_s(descriptor, length); }
int64_t offsetOf(std::FILE* file) { return _ftelli64(file); }
int duplicateDescriptor(int descriptor) { return dup(descriptor); }
int closeDescriptor(int descriptor) { return close(descriptor); }

}  // namespace tarvelo::reports
