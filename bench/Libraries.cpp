#include "bench/Libraries.h"

#include <expat.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <pugixml.hpp>
#include <string>

#include "core/Dom.h"

namespace corvantis::bench {

namespace {

// The generated documents are ASCII, so every peer is told they are UTF-8:
// none of them then spends time converting the declared ISO-8859-1, which
// Corvantis never does either.
const char kEncoding[] = "UTF-8";

class CorvantisLibrary final : public Library {
public:
    const char* name() const override { return "Corvantis"; }
    bool read(std::string_view xml) override {
        dom_ = std::make_unique<DOM>("Corvantis");
        return dom_->parse(xml.data(), xml.size()) == 1;
    }
    std::size_t write() override { return dom_->serialize().length(); }
    void release() override { dom_.reset(); }

private:
    std::unique_ptr<DOM> dom_;
};

class PugixmlLibrary final : public Library {
public:
    const char* name() const override { return "pugixml"; }
    bool read(std::string_view xml) override {
        // Keep what Corvantis keeps: comments, processing instructions and declarations.
        const unsigned options = pugi::parse_default | pugi::parse_comments | pugi::parse_pi |
                                 pugi::parse_declaration | pugi::parse_doctype;
        return document_.load_buffer(xml.data(), xml.size(), options, pugi::encoding_utf8).status ==
               pugi::status_ok;
    }
    std::size_t write() override {
        StringWriter writer;
        // Without indentation: pugixml indents by the full depth, which makes
        // the deep document's text grow with the square of its depth.
        document_.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
        return writer.text.size();
    }
    void release() override { document_.reset(); }

private:
    struct StringWriter final : pugi::xml_writer {
        std::string text;
        void write(const void* data, std::size_t size) override {
            text.append(static_cast<const char*>(data), size);
        }
    };
    pugi::xml_document document_;
};

class Libxml2Library final : public Library {
public:
    ~Libxml2Library() override { release(); }
    const char* name() const override { return "libxml2"; }
    bool read(std::string_view xml) override {
        release();
        if (xml.size() > INT_MAX) {
            return false;
        }
        // HUGE lifts the limits on text size and depth (to 2048 levels).
        document_ = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "bench.xml", kEncoding,
                                  XML_PARSE_HUGE | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        return document_ != nullptr;
    }
    std::size_t write() override {
        xmlChar* text = nullptr;
        int size = 0;
        xmlDocDumpMemory(document_, &text, &size);
        xmlFree(text);
        return static_cast<std::size_t>(size);
    }
    void release() override {
        xmlFreeDoc(document_);
        document_ = nullptr;
    }

private:
    xmlDocPtr document_ = nullptr;
};

class ExpatLibrary final : public Library {
public:
    const char* name() const override { return "expat"; }
    bool read(std::string_view xml) override {
        if (xml.size() > INT_MAX) {
            return false;
        }
        XML_Parser parser = XML_ParserCreate(kEncoding);
        if (parser == nullptr) {
            return false;
        }
        // Handlers that do nothing, so expat does the work of reporting every
        // construct without keeping any of it.
        XML_SetElementHandler(
            parser, [](void*, const XML_Char*, const XML_Char**) {}, [](void*, const XML_Char*) {});
        XML_SetCharacterDataHandler(parser, [](void*, const XML_Char*, int) {});
        XML_SetCommentHandler(parser, [](void*, const XML_Char*) {});
        XML_SetProcessingInstructionHandler(parser, [](void*, const XML_Char*, const XML_Char*) {});
        const bool ok =
            XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), XML_TRUE) == XML_STATUS_OK;
        XML_ParserFree(parser);
        return ok;
    }
    bool writes() const override { return false; }
    std::size_t write() override { return 0; }
    void release() override {}
};

}  // namespace

std::vector<std::unique_ptr<Library>> allLibraries() {
    std::vector<std::unique_ptr<Library>> libraries;
    libraries.push_back(std::make_unique<CorvantisLibrary>());
    libraries.push_back(std::make_unique<PugixmlLibrary>());
    libraries.push_back(std::make_unique<Libxml2Library>());
    libraries.push_back(std::make_unique<ExpatLibrary>());
    return libraries;
}

}  // namespace corvantis::bench
