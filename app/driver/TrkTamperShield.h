#pragma once
// The signature of an inventory file: an XML comment appended to it that lets a receiver who
// knows the key check that the file was not altered after the run.
//
//   digest  the MD5 of the whole file, as 32 lower-case hexadecimal characters;
//   key     the MD5 of the key text (the value of LogMsgCatPath), as its 32 hexadecimal
//           characters, used as a 32-byte AES-256 key;
//   cipher  AES-256 in ECB mode over the 32 characters of the digest (two blocks; a text whose
//           length is not a multiple of 16 would have its last block filled up with bytes
//           whose value is the number of bytes added);
//   comment "<!--", the cipher bytes as lower-case hexadecimal, "-->", with no line break.

#include <string>
#include <string_view>

#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

namespace trk {

// The MD5 of a file's content as 32 lower-case hexadecimal characters.
HX_NODISCARD hx::ResultT FileDigest(const FileNameC& file, std::string* hex);
// The cipher of `text` under the key derived from `keyText`, as lower-case hexadecimal.
HX_NODISCARD hx::ResultT TamperShieldCipher(std::string_view text, std::string_view keyText, std::string* hex);
// Appends the signature comment to `file`.
HX_NODISCARD hx::ResultT SignInventoryFile(const FileNameC& file, std::string_view keyText);

}  // namespace trk
