#pragma once
// Codes as the IRP notation names them (the protocol documents of the JP1
// community, which IRDB's files follow): a protocol, a device, a subdevice
// and a function number. Those the board sends become its codes, and so
// keys of protocolRemote() like any other.

#include <optional>
#include <string_view>

#include "codes/protocols.h"

namespace orvalinder::codes {

// The code the protocol named (case aside) sends for the numbers: NEC,
// NEC1, NEC2 (as the board's NEC), NECx1, NECx2, Samsung32 (as its
// Samsung32), RC5, RC6, RC6-6-20, Sony12, Sony15, Sony20, Panasonic. A
// subdevice of -1 is the protocol's own: 255 - device in the NEC family,
// none in RC5, RC6, Sony12 and Sony15, which take no other. Nullopt for
// any other protocol; a CodesError says which number the protocol cannot
// carry.
std::optional<Decoded> irpCode(std::string_view protocol, int device, int subdevice, int function);

// A number as the notation writes them: decimal, -1 for none. A CodesError
// names the word otherwise.
int irpNumber(std::string_view word);

}  // namespace orvalinder::codes
