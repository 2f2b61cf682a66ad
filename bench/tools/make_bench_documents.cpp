// Writes the documents bench/studio_speed.py times: photograph-like RGB pictures as PackBits
// PSD documents at 800 x 600 (typical of exam documents) and 4000 x 3000, and as a baseline
// JPEG at 4000 x 3000 (a camera's photograph).

#include <filesystem>
#include <iostream>

#include "PhotoSample.h"
#include "PsdWriter.h"
#include "RasterWriters.h"

namespace {

void WritePhotoPsd(const std::filesystem::path& path, int width, int height)
{
    vantrel::testing::PsdSpec psd;
    psd.width = width;
    psd.height = height;
    psd.channels = 3;
    psd.rle = true;
    vantrel::testing::FillPlanes(psd, vantrel::testing::CPhotoSample{});
    vantrel::testing::WriteFile(path.string(), vantrel::testing::WritePsd(psd));
}

#if VANTREL_STUDIO_Jpeg
void WritePhotoJpeg(const std::filesystem::path& path, int width, int height)
{
    vantrel::testing::JpegSpec jpeg;
    jpeg.width = width;
    jpeg.height = height;
    jpeg.quality = 90;
    vantrel::testing::CPhotoSample photo;
    vantrel::testing::FillInterleaved(jpeg.samples, width, height, 3, photo);
    vantrel::testing::WriteFile(path.string(), vantrel::testing::WriteJpeg(jpeg));
}
#endif

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_bench_documents OUTPUT_DIR\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    try {
        std::filesystem::create_directories(folder);
        WritePhotoPsd(folder / "photo-800x600.psd", 800, 600);
        WritePhotoPsd(folder / "photo-4000x3000.psd", 4000, 3000);
#if VANTREL_STUDIO_Jpeg
        WritePhotoJpeg(folder / "photo-4000x3000.jpg", 4000, 3000);
#endif
    } catch (const std::exception& error) {
        std::cerr << "make_bench_documents: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
