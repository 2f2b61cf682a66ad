#pragma once

#include <cstdint>

namespace vantrel::studio::app {

// The class the studio serves "Photoshop.Application" under wherever it is registered.
constexpr const char* kStudioClassId = "{5A1D6F0E-3C2B-4E7A-9D41-7B2E8C0F4A16}";

// The members the studio's automation objects answer, by DISPID. The application and its
// documents number their members independently, so closing either is 0x60020001.
constexpr std::int32_t kDispidAppFlag = 0x60020009;         // application, property put, Bool
constexpr std::int32_t kDispidOpenDocument = 0x60020002;    // application, method, String -> document
constexpr std::int32_t kDispidEndApplication = 0x60020001;  // application, method
constexpr std::int32_t kDispidEndDocument = 0x60020001;     // document, method

}  // namespace vantrel::studio::app
