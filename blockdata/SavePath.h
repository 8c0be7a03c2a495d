// Path arithmetic for saving a block beside the file the user chose.
#pragma once

#include <string>

// The directory part of a Windows path, split at its last '\' or '/'. A root
// keeps its separator ("C:\x.bin" gives "C:\", "\x.bin" gives "\"); a drive
// without a separator gives the drive ("C:x.bin" gives "C:"); a bare name or
// an empty path gives ".". Separators doubled before the name are dropped.
std::string DirectoryOf(const std::string& path);
