#pragma once

// The library and its sibling libraries are built with hidden visibility: only what carries
// QX_API is exported from libQxDurerive.so. A class that is exported brings its members,
// vtable and typeinfo along, so a host that derives from it shares them with the library.
#define QX_API __attribute__((visibility("default")))
