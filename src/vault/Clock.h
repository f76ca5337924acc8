#pragma once

#include "vault/NodeData.h"

// The local wall clock as days since 1899-12-30.
TDateTime NowAsDateTime();

// 16 random bytes from the operating system, shaped as a version-4 UUID in the Windows layout.
TGuid CreateGuid();
