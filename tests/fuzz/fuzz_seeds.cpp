// SPDX-License-Identifier: MIT
// quillon_fuzz_seeds: writes the seed corpora of the fuzz targets: scan data files of several
// shapes (no pixels, no scans, long texts, odd values), copies cut at telling offsets, and
// selection texts.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sdf_builder.h"

using quillon::testing::SdfBuilder;

namespace {

void Write(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// The selection fuzzer reads one byte of scan count, then the selection text.
void WriteSelection(const std::filesystem::path& dir, int index, unsigned char count,
                    const std::string& text) {
    std::vector<unsigned char> bytes{count};
    bytes.insert(bytes.end(), text.begin(), text.end());
    Write(dir / ("sel" + std::to_string(index)), bytes);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const auto files = root / "fuzz_load_convert";
    const auto selections = root / "fuzz_selection";
    std::filesystem::create_directories(files);
    std::filesystem::create_directories(selections);

    std::vector<SdfBuilder> shapes;
    shapes.emplace_back(0).AddScans(3);
    shapes.emplace_back(4).AddScans(2);
    shapes.emplace_back(16);
    {
        SdfBuilder b(3);
        b.AddScans(1);
        b.scans[0].title = std::string(64, 'T');
        b.scans[0].subtitle = "line\nfeed\ttab\xff";
        b.dark = {2.9f, -3.7f, 3e9f};
        b.ref = {1.5f, -0.0f, -3e9f};
        b.status.word0 = 0x0021;
        b.status.word1 = 0x8005;
        b.status.word2 = 0x0002;
        b.acquire.usFFTMax = -1;
        b.ccd.fCal[0] = 200.0f;
        b.ccd.fCal[1] = 0.5f;
        shapes.push_back(b);
    }
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const auto bytes = shapes[i].Bytes();
        Write(files / ("shape" + std::to_string(i)), bytes);
        for (std::size_t cut :
             {std::size_t{1}, std::size_t{87}, std::size_t{260}, bytes.size() - 1}) {
            if (cut < bytes.size()) {
                Write(files / ("shape" + std::to_string(i) + "_cut" + std::to_string(cut)),
                      shapes[i].BytesCutAt(cut));
            }
        }
    }

    const char* texts[] = {"",
                           "3",
                           "1,3-5",
                           "1-3,5",
                           "2,5-6",
                           "2 , 4",
                           "1 - 3",
                           "1,,2",
                           "1--3",
                           "1,2,",
                           "1-3,",
                           "2-",
                           "5-3",
                           "1-3-5",
                           "1-3-5,7",
                           "1-,5",
                           "1;2",
                           "4,2",
                           "2,2,3",
                           "1-3,2",
                           "0,2",
                           "9,1",
                           "-3",
                           ",3",
                           "1,-3",
                           "0",
                           "abc",
                           "1-2147483647",
                           "-2147483648-2147483647",
                           "99999999999,1"};
    int index = 0;
    for (const char* text : texts) {
        WriteSelection(selections, index++, 5, text);
        WriteSelection(selections, index++, 12, text);
    }
    return 0;
}
