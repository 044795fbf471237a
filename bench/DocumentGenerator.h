// Test documents for the benchmarks: each generator is deterministic (the same
// arguments give the same bytes), writes lines ending in CR LF like the files
// the program saves, and builds the text in memory, so no data file is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvantis::bench {

// A personal organiser of about `approximateBytes`: an XML declaration and a
// comment, then an Organiser element holding branches of Folder elements 3 to
// 8 levels deep, with Task, Note, Contact and Appointment entries carrying 0 to
// 3 attributes and short texts, and an occasional comment or processing
// instruction.
std::string notesDocument(std::size_t approximateBytes, std::uint64_t seed = 1);

// `siblings` empty Item elements under one root.
std::string wideDocument(std::size_t siblings);

// `levels` nested Level elements, the innermost holding a short text.
std::string deepDocument(std::size_t levels);

// `nodes` text elements of `nodeBytes` bytes of content each: plain words,
// text dense with "&amp;" and multi-line text take turns.
std::string textDocument(std::size_t nodes, std::size_t nodeBytes, std::uint64_t seed = 1);

// About `approximateBytes` of paragraphs that mix text with inline elements.
std::string mixedDocument(std::size_t approximateBytes, std::uint64_t seed = 1);

// One element with `attributes` attributes a0, a1, … under a root element.
std::string manyAttributesDocument(std::size_t attributes);

// The notes size for benchmark runs: CORVANTIS_BENCH_NOTES_MB megabytes
// (default 100), so that a quick run can ask for less.
std::size_t notesBytesFromEnvironment();

}  // namespace corvantis::bench
