// Writes the five-layer benchmark document, for side-by-side runs with other tools:
//   make_layered_document OUT.psd [WIDTH HEIGHT]
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "LayeredBenchDocument.h"
#include "PsdWriter.h"

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: make_layered_document OUT.psd [WIDTH HEIGHT]\n");
        return 2;
    }
    const int width = argc == 4 ? std::atoi(argv[2]) : 2000;
    const int height = argc == 4 ? std::atoi(argv[3]) : 1500;
    if (width < 8 || height < 8 || width > 30000 || height > 30000) {
        std::fprintf(stderr, "make_layered_document: sides run from 8 to 30000\n");
        return 2;
    }
    try {
        vantrel::testing::WriteFile(argv[1], vantrel::testing::FiveLayerDocument(width, height));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_layered_document: %s\n", error.what());
        return 1;
    }
    return 0;
}
