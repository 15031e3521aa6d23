// Running out of memory: std::bad_alloc leaves the scanner and the tree cleanly, and taking a tree
// down allocates nothing (it may happen while the stack unwinds from std::bad_alloc).
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "xml/tree.h"

namespace {
// Allocations still allowed; every further one fails. Unlimited unless a test arms it.
long long gAllocationsLeft = -1;
}  // namespace

void* operator new(std::size_t size) {
    if (gAllocationsLeft == 0) throw std::bad_alloc();
    if (gAllocationsLeft > 0) --gAllocationsLeft;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Deep and wide at once: 20,000 nested elements, the innermost with 20,000 children.
std::string deepAndWide() {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "<d a='1'>";
    for (int i = 0; i < 20000; ++i) text += "<w/>";
    return text;
}

TEST(Memory, TakingATreeDownAllocatesNothing) {
    auto parser = std::make_unique<xml::TQXMLParser>();
    parser->LoadFromText(deepAndWide());
    gAllocationsLeft = 0;
    parser->Clear();
    parser.reset();
    gAllocationsLeft = -1;
}

TEST(Memory, BadAllocLeavesParsingCleanly) {
    const std::string text = deepAndWide();
    // Fail at many points of the parse; each failure must arrive as std::bad_alloc.
    for (long long allowed : {0LL, 5LL, 1000LL, 30000LL, 60000LL}) {
        bool failed = false;
        {
            xml::TQXMLParser parser;
            gAllocationsLeft = allowed;
            try {
                parser.LoadFromText(text);
            } catch (const std::bad_alloc&) {
                failed = true;
            }
        }
        gAllocationsLeft = -1;
        EXPECT_TRUE(failed) << allowed;
    }
}

}  // namespace
