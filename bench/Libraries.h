// The XML libraries the benchmarks compare, behind one small interface: each
// holds at most one document, read from a memory buffer and written back to
// text in memory.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace corvantis::bench {

class Library {
public:
    virtual ~Library() = default;
    virtual const char* name() const = 0;
    // Reads `xml` into the library's document, replacing the one held; false
    // when the library refused the input.
    virtual bool read(std::string_view xml) = 0;
    // Whether the library keeps a document it can write (a streaming reader
    // does not).
    virtual bool writes() const { return true; }
    // Writes the held document to memory and returns the number of bytes.
    virtual std::size_t write() = 0;
    // Frees the held document.
    virtual void release() = 0;
};

// Corvantis first, then pugixml, libxml2 and expat.
std::vector<std::unique_ptr<Library>> allLibraries();

}  // namespace corvantis::bench
