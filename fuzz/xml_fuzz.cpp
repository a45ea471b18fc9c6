// Feeds arbitrary bytes to the XML reader; a document that reads must write and read back equal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "qx/basis/string.h"
#include "qx/xml/xml_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    CQxXmlDoc doc;
    if (!doc.ReadString(reinterpret_cast<const char*>(data), static_cast<unsigned int>(size))) return 0;
    CQxString first;
    if (!doc.WriteString(first)) return 0; // a tree the writer refuses is fine; a crash is not
    CQxXmlDoc again;
    if (!again.ReadString(first.GetStr(), first.GetLength())) std::abort();
    CQxString second;
    if (!again.WriteString(second) || second.GetLength() != first.GetLength() ||
        std::memcmp(first.GetStr(), second.GetStr(), first.GetLength()) != 0)
        std::abort();
    return 0;
}
