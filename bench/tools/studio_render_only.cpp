// The least a process can do to capture a document: decode it and area-average it to the
// capture size, then exit. bench/studio_speed.py times `vantrel capture` against it.

#include <cstdio>
#include <string>

#include "studio/formats/RenderDocument.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: studio_render_only FILE\n", stderr);
        return 2;
    }
    std::string reason;
    const auto document = vantrel::studio::formats::RenderDocument(argv[1], 200, 160, reason);
    if (!document) {
        std::fprintf(stderr, "studio_render_only: %s\n", reason.c_str());
        return 1;
    }
    return 0;
}
