#pragma once
// Window-message numbers to their SDK names, for log texts.
#include <cstddef>
#include <cstdint>

namespace Nuvex {
const char* GetMessageName(uint32_t message);   // null when not in the table
size_t MessageNameCount();
uint32_t MessageNameNumber(size_t index);   // the table's numbers, in order
}   // namespace Nuvex
