// Saved plug-in data as text a person can read: the text representation of
// the state (whichever representation the data is in), with comment lines
// that say what the parameter blocks hold ("# norm_err (PDBL) = 0.15").
// Comments are skipped on reading, so the result loads as text data.
#pragma once

#include <string>

#include "minihost/states/tree.h"

namespace minihost {

// The items of binary-representation data. The binary form carries no
// types, so the data is read the way the modules' parameter library writes
// it: a version word, parameter blocks ("PDLB") of parameters ("PDPR": name,
// type code, value by the type code), variant parameters ("VPRM" with
// minihost's own parameter and envelope records). Blocks are recognised by
// their four-character identifiers; whatever cannot be read that way is kept
// as bytes. Damaged data never reads outside the buffer.
StateItem decodeBinaryState(const std::string &bytes);

// Adds the comments to the parameters of a tree (from either representation).
void annotateState(StateItem &root);

// Text data (parsed) or binary data (decoded), annotated and printed. Throws
// InputError at the line of the fault when text data does not parse.
std::string readableStateText(const std::string &bytes);

}  // namespace minihost
