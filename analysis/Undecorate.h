// Stored type names read as their compilers' own undecorators write a
// type: Microsoft names through the system's undecorator (dbghelp), GCC
// and Clang names through the C++ runtime's demangler.
#pragma once

#include <optional>
#include <string>

#include "analysis/TypeInfoReader.h"

// Nothing when the name can't be read; no leading "class " or "struct ".
std::optional<std::string> UndecorateTypeName(NameForm form, const std::string& stored);
