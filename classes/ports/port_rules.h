// port_rules.h: the rules that every class presenting a port or a port
// controller shares, each in one place: what a port or PHY is attached to,
// the address text of a controller or a port, the speed of a PHY's link-rate
// code, and the number of PHYs of a controller.
#pragma once

#include <cstdint>

#include "zubprov/zub_string.h"
#include "middleware/abru2.h"

// What a port (offset 28) or a PHY (offset 36) is attached to.
enum : uint32_t { kAttachedController = 1, kAttachedEndDevice = 2 };

// The address text: the four components in decimal joined by "-" (2, 3, 0,
// 12 give "2-3-0-12"); when `address64Present` is non-zero, the 64-bit
// address in decimal instead. A controller and a controller port pass their
// own fields; a port attached to an end device passes its own components
// with the end device's flag and 64-bit address.
CZubString AddressText(const uint8_t (&components)[4], uint32_t address64Present, uint64_t address64);

// The speed a port reports for a PHY's link-rate code (negotiated or
// maximum): code 3 gives 600000000000000, any other code c gives
// c * 150000000000000 (0 gives 0; the product wraps modulo 2^64, so a
// negative code gives a huge number rather than undefined behaviour).
uint64_t LinkRate(int32_t code);

// The number of PHYs the middleware lists for a controller (PHY scope 1), in
// a session of its own; 0 for handle 0 and when the session cannot be opened
// or the PHY enumeration fails or lists none.
uint64_t ControllerPhyCount(SSI_HANDLE controller);
