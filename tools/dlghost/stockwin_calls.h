#pragma once
// The exports of the standard dialogs library for dlghost: each is called
// with sample records (a name list, connector, text, worksheet and file
// records) and what it wrote is printed.
#include <cstdint>
#include <string>
#include <vector>

namespace dlghost {

// True when name is a stockwin export dlghost knows; then it was called and
// its answer printed.
bool callStockwin(const std::string& name, void* fn, std::uint32_t owner, const std::vector<std::string>& args);

// Hands the library a service table whose callbacks only count their calls
// (pictures stay blank) through its SW13_SetObelServiceFctns, when it has one.
void installFakeServices(void* setServices);

} // namespace dlghost
