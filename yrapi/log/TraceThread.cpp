#include "yrapi/log/LogState.h"
namespace YRAPI::detail {
void BuiltinOpen(const char*, int, int) {}
void BuiltinClose() {}
}  // namespace YRAPI::detail
