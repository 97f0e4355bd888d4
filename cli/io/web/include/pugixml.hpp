// The WebAssembly build's stand-in for pugixml (see ../XmlTree.h): the same
// names for the part of its interface that the 3MF reader uses.
#pragma once

#include "../XmlTree.h"

namespace pugi = meshaudit::cli::xml;
