#include "vault/ProcessMemory.h"

#include <sys/prctl.h>
#include <sys/resource.h>

bool KeepProcessMemoryPrivate() {
    const bool private_ = ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    const rlimit noCore{0, 0};
    const bool noCoreFile = ::setrlimit(RLIMIT_CORE, &noCore) == 0;
    return private_ && noCoreFile;
}
