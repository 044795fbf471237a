// What a core makes of many inputs, one line each, so that two builds of the
// core can be compared (scripts/compare-cores builds this file against an
// older core and the current one and compares the lines). For every input
// the line holds two digests: of the written text (with the read's result
// and error, and the written text read and written again), and of the tree
// read (kinds, names, values, attributes, element numbers, path depths).
//
// It uses only what every core so far offers (Dom.h), so it builds against
// older cores unchanged.
//
//   core_identity [--show NAME] [--random N] [FILE or FOLDER ...]
//
// Inputs: the files named (a folder: each file in it), the benchmark
// documents, a document a million levels deep, and N generated inputs
// (10,000 by default): broken markup, references, long attribute runs, zero
// and high bytes. With --show, the written text of the input NAME goes to
// standard output instead.
//
// Each line is "NAME WRITTEN TREE TOUCHED". TOUCHED is 1 when the tree holds an
// '&' in a text or attribute value, a tab or line break in an attribute
// value, or a text of blanks alone, the things whose writing changed on
// purpose when references came to be read as characters: in a comparison
// with a core from before that change, only lines with TOUCHED 1 in the
// older core's output may differ.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "bench/DocumentGenerator.h"
#include "core/Dom.h"

namespace {

using corvantis::DOM;
using corvantis::DOMNode;
using corvantis::StringObject;

struct Input {
    std::string name;
    std::function<std::string()> make;
};

// FNV-1a, 64 bits: the same on every build.
class Digest {
public:
    void add(const char* bytes, std::size_t length) {
        for (std::size_t i = 0; i < length; ++i) {
            hash_ ^= static_cast<unsigned char>(bytes[i]);
            hash_ *= 1099511628211ull;
        }
    }
    void add(const std::string& text) {
        add(std::to_string(text.size()));
        add(text.data(), text.size());
    }
    void add(const StringObject& text) { add(std::string(text.data(), text.length())); }
    void add(long number) { add(std::to_string(number)); }
    std::uint64_t value() const { return hash_; }

private:
    void add(std::string&& text) { add(text.data(), text.size()); }
    std::uint64_t hash_ = 1469598103934665603ull;
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Adds the tree below `top` to `digest`, without recursion, and says whether
// it holds what TOUCHED stands for.
bool addTree(const DOMNode* top, Digest& digest) {
    bool touched = false;
    std::vector<const DOMNode*> pending{top};
    while (!pending.empty()) {
        const DOMNode* node = pending.back();
        pending.pop_back();
        digest.add(static_cast<long>(node->nodeType()));
        digest.add(node->nodeName());
        digest.add(node->nodeValue());
        if (node->nodeType() == corvantis::ELEMENT) {
            digest.add(static_cast<long>(node->elementNumber()));
            digest.add(static_cast<long>(node->pathDepth()));
        }
        if (node->nodeType() == corvantis::TEXT) {
            const std::string value(node->nodeValue().data(), node->nodeValue().length());
            bool blanks = !value.empty();
            for (const char c : value) blanks = blanks && isBlank(c);
            touched = touched || blanks || value.find('&') != std::string::npos;
        }
        for (int i = 0; i < node->attributeCount(); ++i) {
            const corvantis::Attr* attribute = node->attributeAt(i);
            digest.add(attribute->name);
            digest.add(attribute->value);
            const std::string value(attribute->value.data(), attribute->value.length());
            touched = touched || value.find_first_of("&\t\n\r") != std::string::npos;
        }
        for (int i = node->childCount(); i-- > 0;) pending.push_back(node->childAt(i));
    }
    return touched;
}

struct Examined {
    std::string written;
    std::uint64_t writtenDigest = 0;
    std::uint64_t treeDigest = 0;
    bool touched = false;
};

Examined examine(const std::string& bytes) {
    Examined result;
    Digest written;
    DOM first("Corvantis");
    written.add(static_cast<long>(first.parse(bytes.data(), bytes.size())));
    written.add(static_cast<long>(first.error().code));
    written.add(static_cast<long>(first.error().line));
    written.add(static_cast<long>(first.error().column));
    const StringObject text = first.serialize();
    written.add(text);
    DOM second("Corvantis");
    second.parse(text.data(), text.length());
    written.add(second.serialize());
    Digest tree;
    result.touched = addTree(first.documentNode(), tree);
    result.written.assign(text.data(), text.length());
    result.writtenDigest = written.value();
    result.treeDigest = tree.value();
    return result;
}

bool readFile(const std::string& path, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

void addPath(const std::string& path, std::vector<Input>& inputs) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        std::cerr << "no such file: " << path << '\n';
        return;
    }
    if (!S_ISDIR(status.st_mode)) {
        inputs.push_back({path, [path] {
                              std::string bytes;
                              readFile(path, bytes);
                              return bytes;
                          }});
        return;
    }
    std::vector<std::string> names;
    if (DIR* folder = opendir(path.c_str())) {
        while (const dirent* entry = readdir(folder))
            if (entry->d_name[0] != '.') names.push_back(entry->d_name);
        closedir(folder);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) addPath(path + "/" + name, inputs);
}

// Small inputs made of pieces that test the reader's and writer's edges.
std::string generated(std::uint64_t seed) {
    static const char* const pieces[] = {
        "<a>", "</a>", "<b x=\"", "\"", "'", "<c y='1' z=\"2\"/>", ">", "/>", "=", " ", "\r\n", "\t", "\n",
        "text", "&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&#65;", "&#x263A;", "&#233;", "&#0;", "&#13;",
        "&#xD800;", "&#32;", "&#9;", "&#10;", "&nbsp;", "&e;", "&", "#", ";", "&#", "&#x", "&amp;#65;",
        "<!--", "-->", "<?p ", "?>", "<![CDATA[", "]]>", "<!DOCTYPE r [<!ENTITY e \"x\">]>", "<(q a?>b)>",
        "\xC3\xA9", "\xE9", "\xFF", "\x01", ":", "*", "<d:e", "a=\"1\" b=\"2\" c=\"3\" d=\"4\"",
    };
    std::mt19937_64 random(seed);
    std::string bytes;
    const std::size_t count = 1 + random() % 24;
    for (std::size_t i = 0; i < count; ++i) {
        if (random() % 16 == 0) {
            bytes.push_back('\0');
            continue;
        }
        bytes += pieces[random() % std::size(pieces)];
    }
    return bytes;
}

std::vector<Input> inputs(int argc, char** argv, std::string& show, long& randomCount) {
    std::vector<Input> list;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--show" && i + 1 < argc) {
            show = argv[++i];
        } else if (argument == "--random" && i + 1 < argc) {
            randomCount = std::strtol(argv[++i], nullptr, 10);
        } else {
            addPath(argument, list);
        }
    }
    namespace gen = corvantis::bench;
    const std::vector<Input> documents = {
        {"notes", [] { return gen::notesDocument(8 << 20); }},
        {"wide", [] { return gen::wideDocument(100'000); }},
        {"deep", [] { return gen::deepDocument(100'000); }},
        {"text", [] { return gen::textDocument(3, 1 << 20); }},
        {"mixed", [] { return gen::mixedDocument(2 << 20); }},
        {"attributes", [] { return gen::manyAttributesDocument(100'000); }},
        {"million-levels", [] { return gen::deepDocument(1'000'000); }},
    };
    list.insert(list.end(), documents.begin(), documents.end());
    for (long i = 0; i < randomCount; ++i)
        list.push_back({"generated-" + std::to_string(i), [i] { return generated(static_cast<std::uint64_t>(i)); }});
    return list;
}

}  // namespace

int main(int argc, char** argv) {
    std::string show;
    long randomCount = 10'000;
    for (const Input& input : inputs(argc, argv, show, randomCount)) {
        if (!show.empty() && input.name != show) continue;
        const Examined examined = examine(input.make());
        if (!show.empty()) {
            std::cout << examined.written;
            return 0;
        }
        std::printf("%s %016llx %016llx %d\n", input.name.c_str(),
                    static_cast<unsigned long long>(examined.writtenDigest),
                    static_cast<unsigned long long>(examined.treeDigest), examined.touched ? 1 : 0);
    }
    return show.empty() ? 0 : 1;
}
