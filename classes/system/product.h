// product.h: ZUB_ProductHBA, ZUB_ProductDisk, ZUB_ProductEnclosure and
// ZUB_ProductRouter, each controller, end device, enclosure and routing
// device (expander) as a product, and the associations that tie products,
// computer systems and port controllers to the card of their controller.
//
// The four product classes share the interface CZubProductInterface and the
// record stZUB_Product; each lists every object of its kind (scope 0).
//   Update: 0; 4 no object of the kind; 1 a reload inside the listing failed
//   (the records so far stay). They read the middleware only.
//
// ZUB_ProductPhysicalComponent: each card with the HBA product of its
// controller, then the router, disk and enclosure products of the routing
// devices, end devices and enclosures listed under that controller.
//   Update: 0; 1 a listing under a controller failed; 9 a class it reads
//   cannot be created. Refreshes and reads ZUB_Card and the four product
//   classes; lists routing devices, end devices and enclosures per controller.
//
// ZUB_ComputerSystemPackage: each computer system with the card of its
// controller.
//   Update: 0; 4 no system, no card, or not as many systems as cards (no
//   record then); 9 a class it reads cannot be created. Refreshes and reads
//   ZUB_ComputerSystem and ZUB_Card.
//
// ZUB_Realizes: each port controller with the card of its controller.
//   Update: 0; 4 no port controller, no card, or not as many port
//   controllers as cards; 9 a class it reads cannot be created. Refreshes and
//   reads ZUB_PortController and ZUB_Card.
#pragma once

#include "zubprov/system.h"
#include "framework/record_desc.h"
#include "middleware/abru2.h"

// The product of one middleware object.
stZUB_Product ProductOf(const _SSI_ControllerInfo& controller);
stZUB_Product ProductOf(const _SSI_EndDeviceInfo& device);
stZUB_Product ProductOf(const _SSI_EnclosureInfo& enclosure);
stZUB_Product ProductOf(const _SSI_RoutingDeviceInfo& router);
