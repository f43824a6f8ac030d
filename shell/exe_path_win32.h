// The running executable's full path, however long it is.
#pragma once

#include <string>

namespace pelomar {

std::wstring currentExePath();

}  // namespace pelomar
