// The codec taken one bit at a time, exactly as the format describes it. It is the reference
// that the fast paths of HuffmanEncode and HuffmanDecode are compared against (tests, benchmark);
// the programs themselves never call it.
#pragma once

#include "HuffmanCoding.h"

namespace HuffmanCoding::Literal {

ByteString Encode(std::string_view input, bool forceCoded);
ByteString Decode(std::string_view stream);

} // namespace HuffmanCoding::Literal
