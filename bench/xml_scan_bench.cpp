// Scans a generated 64 MiB XML document (declaration, internal DTD subset with entities, nested
// elements, attributes, text with entity and character references, CDATA, comments) with
// TXmlParser in this process and with expat's `xmlwf` in the same run, and prints the time ratio.
//
//   xml_scan_bench [--rounds N]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/tempfile.h"
#include "xml/scanner.h"

namespace {

constexpr std::size_t kDocumentSize = std::size_t{64} << 20;

std::string makeDocument() {
    std::mt19937 gen(20261210);
    static const char* const kWords[] = {"theme", "icon",  "wallpaper", "colour", "menu",  "screen",
                                         "phone", "tone",  "caf\xC3\xA9", "gallery", "media", "\xE2\x82\xAC"};
    auto word = [&] { return kWords[gen() % std::size(kWords)]; };
    std::string doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE catalog [\n"
        "  <!ENTITY co \"Skarvel Themes\">\n"
        "  <!ENTITY ver \"1.1\">\n"
        "  <!ATTLIST item kind CDATA \"icon\">\n"
        "]>\n<catalog version=\"&ver;\">\n";
    doc.reserve(kDocumentSize + 4096);
    for (unsigned n = 0; doc.size() < kDocumentSize; ++n) {
        doc += "  <item id=\"i" + std::to_string(n) + "\" name=\"" + word() + " &amp; " + word() + "\" size=\"" +
               std::to_string(gen() % 100000) + "\">\n    <title>" + word() + " " + word() + " by &co; &#169;</title>\n";
        doc += "    <price currency=\"EUR\">" + std::to_string(gen() % 1000) + ".50</price>\n    <note>";
        for (int w = 0; w < 12; ++w) doc += std::string(word()) + (w % 5 == 4 ? " &lt;b&gt; " : " ");
        doc += "</note>\n";
        if (n % 16 == 0) doc += "    <!-- generated --><data><![CDATA[raw <text> & more]]></data>\n";
        doc += "    <flag on=\"yes\"/>\n  </item>\n";
    }
    return doc + "</catalog>\n";
}

double scanOnce(const std::string& path, std::size_t& parts) {
    const auto start = std::chrono::steady_clock::now();
    std::string text;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fseek(file, 0, SEEK_END);
        text.resize(static_cast<std::size_t>(std::ftell(file)));
        std::fseek(file, 0, SEEK_SET);
        text.resize(std::fread(text.data(), 1, text.size(), file));
        std::fclose(file);
    }
    xml::TXmlParser scanner;
    scanner.AssignText(text);
    scanner.Rewind();
    parts = 0;
    while (scanner.NextPart()) ++parts;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double xmlwfOnce(const std::string& path, int& status) {
    std::fflush(stdout);  // the child must not repeat what is still buffered
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        ::execlp("xmlwf", "xmlwf", path.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 3;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));

    platform::TempFolder folder("skarvel-xml-bench");
    const std::string path = folder.path() + "/catalog.xml";
    {
        const std::string doc = makeDocument();
        std::ofstream(path, std::ios::binary).write(doc.data(), static_cast<std::streamsize>(doc.size()));
        std::printf("document: %.1f MiB\n", static_cast<double>(doc.size()) / (1 << 20));
    }

    double bestScan = 1e9, bestXmlwf = 1e9;
    for (int round = 0; round < rounds; ++round) {
        std::size_t parts = 0;
        int status = 0;
        // Alternate which tool runs first so that neither always finds a warm cache.
        double scan, wf;
        if (round % 2 == 0) {
            scan = scanOnce(path, parts);
            wf = xmlwfOnce(path, status);
        } else {
            wf = xmlwfOnce(path, status);
            scan = scanOnce(path, parts);
        }
        if (status != 0) {
            std::fprintf(stderr, "xmlwf failed (exit %d); is the expat package installed?\n", status);
            return 1;
        }
        std::printf("round %d: TXmlParser %.3f s (%zu parts), xmlwf %.3f s\n", round + 1, scan, parts, wf);
        bestScan = std::min(bestScan, scan);
        bestXmlwf = std::min(bestXmlwf, wf);
    }
    std::printf("best: TXmlParser %.3f s, xmlwf %.3f s\n", bestScan, bestXmlwf);
    std::printf("ratio TXmlParser / xmlwf: %.2f (target <= 1.5)\n", bestScan / bestXmlwf);
    return 0;
}
