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
#include "run_tool.h"
#include "xml/scanner.h"

namespace {

constexpr std::size_t kDocumentSize = std::size_t{64} << 20;

std::string makeDocument() {
    std::mt19937 gen(20261210);
    static const char* const kWords[] = {"theme", "icon", "wallpaper",   "colour",  "menu",  "screen",
                                         "phone", "tone", "caf\xC3\xA9", "gallery", "media", "\xE2\x82\xAC"};
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
               std::to_string(gen() % 100000) + "\">\n    <title>" + word() + " " + word() +
               " by &co; &#169;</title>\n";
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

// Ten levels of ten references down to the one-letter entity a: a 400-byte document that spends
// the whole expansion budget.
std::string budgetSpender() {
    std::string doc = "<!DOCTYPE r [<!ENTITY a 'x'>";
    for (char level = 'b'; level <= 'j'; ++level) {
        doc += std::string("<!ENTITY ") + level + " '";
        for (int i = 0; i < 10; ++i) doc += std::string("&") + static_cast<char>(level - 1) + ";";
        doc += "'>";
    }
    return doc + "]><r>&j;</r>";
}

double secondsToScan(const std::string& text) {
    const auto start = std::chrono::steady_clock::now();
    xml::TXmlParser scanner;
    scanner.AssignText(text);
    scanner.Rewind();
    while (scanner.NextPart()) {
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// skarvel-cli xml dtd, parts and tree on the document as whole processes, against xmlwf: the best
// time of each and its peak memory in units of the document's size.
void measureCommands(const std::string& path, double documentMiB, int rounds, const std::string& peakFile) {
    struct Tool {
        const char* name;
        std::vector<std::string> argv;
        double target;  // peak memory, times the document
        double best = 1e9;
        long peakKiB = 0;
    };
    Tool tools[] = {
        {"xmlwf", {"xmlwf", path}, 0},
        {"xml dtd", {SKARVEL_CLI, "xml", "dtd", path}, 1.5},
        {"xml parts", {SKARVEL_CLI, "xml", "parts", path}, 1.5},
        {"xml tree", {SKARVEL_CLI, "xml", "tree", path}, 4.0},
    };
    for (int round = 0; round < rounds; ++round)
        for (Tool& tool : tools) {
            const bench::RunResult run = bench::runTool(tool.argv, peakFile);
            if (run.status != 0) std::fprintf(stderr, "%s failed (exit %d)\n", tool.name, run.status);
            tool.best = std::min(tool.best, run.seconds);
            tool.peakKiB = std::max(tool.peakKiB, run.peakKiB);
        }
    for (const Tool& tool : tools) {
        const double times = static_cast<double>(tool.peakKiB) / 1024 / documentMiB;
        std::printf("%-10s %.3f s, peak %.0f MiB = %.2f x the document", tool.name, tool.best,
                    static_cast<double>(tool.peakKiB) / 1024, times);
        if (tool.target > 0) std::printf(" (target <= %.1f)", tool.target);
        std::printf("\n");
    }
    std::printf("ratio xml dtd / xmlwf: %.2f (target <= 1.5)\n", tools[1].best / tools[0].best);
}

// Spending the whole expansion budget against xmlwf reading a plain document of the budget's size.
void measureExpansion(const std::string& folder, int rounds) {
    const std::string plainPath = folder + "/plain.xml";
    std::string plain = "<r>";
    while (plain.size() < xml::kMinExpansionBudget) plain += "plain text of a document, line after line\n";
    plain += "</r>\n";
    std::ofstream(plainPath, std::ios::binary) << plain;
    const std::string spender = budgetSpender();
    double bestSpend = 1e9, bestXmlwf = 1e9;
    for (int round = 0; round < rounds; ++round) {
        int status = 0;
        bestSpend = std::min(bestSpend, secondsToScan(spender));
        bestXmlwf = std::min(bestXmlwf, xmlwfOnce(plainPath, status));
    }
    std::printf("expansion budget spent by a %zu-byte document: %.3f s; xmlwf on %.0f MiB of plain text: %.3f s\n",
                spender.size(), bestSpend, static_cast<double>(plain.size()) / (1 << 20), bestXmlwf);
    std::printf("ratio budget / xmlwf: %.2f (target <= 3)\n", bestSpend / bestXmlwf);
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
    measureCommands(path, static_cast<double>(kDocumentSize) / (1 << 20), rounds, folder.path() + "/peak");
    measureExpansion(folder.path(), rounds);
    return 0;
}
