// Fuzzes loading and converting: any bytes must load as a scan data file and convert in every
// column layout and both output modes, with the scan count, the block endings and the table
// row counts as the file's shape says.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "convert/convert_command.h"
#include "platform/dialog_services.h"
#include "render/spectrum_tables.h"
#include "scanfile/loader.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Services of an unattended run: no view, and Yes to the overwrite question.
class Unattended : public quillon::DialogServices {
public:
    void Refresh() override {}
    void ReadControls() override {}
    void Message(const std::string&) override { ++messages; }
    bool AskYesNo(const std::string&) override { return true; }
    void BeginWaitCursor() override { ++waits; }
    void EndWaitCursor() override { --waits; }
    void Pause(int) override {}
    int messages = 0;
    int waits = 0;
};

const std::filesystem::path& ScratchDir() {
    static const std::filesystem::path dir = [] {
        std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = base + "/quillon-fuzz-XXXXXX";
        Check(::mkdtemp(pattern.data()) != nullptr);
        return std::filesystem::path(pattern);
    }();
    return dir;
}

// A written file read back with each CR LF turned into the line feed it came from.
std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            continue;
        }
        text += bytes[i];
    }
    return text;
}

bool EndsWithTwoEmptyLines(const std::string& text) {
    return text.size() >= 2 && text.compare(text.size() - 2, 2, "\n\n") == 0;
}

std::size_t Lines(const std::string& text, std::size_t from = 0) {
    std::size_t count = 0;
    for (std::size_t i = from; i < text.size(); ++i) {
        count += text[i] == '\n';
    }
    return count;
}

// Pixel count and number of scan records of a file, worked out from its length alone.
void ExpectedShape(const std::uint8_t* data, std::size_t size, std::int64_t& n, std::int64_t& k) {
    n = (size > 86 ? data[86] : 0) | (size > 87 ? data[87] << 8 : 0);
    const std::int64_t fixed = 268 + 8 * n;
    const std::int64_t record = 196 + 4 * n;
    const auto length = static_cast<std::int64_t>(size);
    k = length <= fixed ? 0 : (length - fixed + record - 1) / record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path& dir = ScratchDir();
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::filesystem::remove(entry.path());
    }
    const std::string input = (dir / "in.sdf").string();
    {
        std::ofstream out(input, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    quillon::ConverterState state;
    Unattended services;
    state.m_strFilePath = input;
    quillon::LoadScanFile(state, services, input);

    std::int64_t n = 0;
    std::int64_t k = 0;
    ExpectedShape(data, size, n, k);
    Check(state.m_nPixelCount == n);
    Check(state.m_nScanCount == k);
    Check(static_cast<std::int64_t>(state.m_ScanList.size()) == k);
    Check(static_cast<std::int64_t>(state.m_pDarkData.size()) == n);
    const bool cut = static_cast<std::int64_t>(size) != 268 + 8 * n + k * (196 + 4 * n);
    Check((state.m_strLog.find("Warning: the file ends ") != std::string::npos) == cut);

    // Converting a file of many pixels writes megabytes per run; the table code paths are the
    // same for any N, so wide files stop at loading to keep the fuzzer fast.
    if (n > 256) {
        return 0;
    }
    for (int layout = 0; layout < 4; ++layout) {
        for (int oneFile = 0; oneFile < 2; ++oneFile) {
            state.m_bWithPixel = layout & 1;
            state.m_bWithWavelength = layout >> 1;
            state.m_bOneFile = oneFile;
            state.m_bConvertAll = true;
            Check(quillon::ConvertCommand(state, services));
            Check(services.messages == 0 && services.waits == 0);

            const quillon::SpectrumTableFormatter tables(state);
            if (oneFile) {
                const std::string text = ReadText(dir / "in.txt");
                Check(EndsWithTwoEmptyLines(text));
                std::string expectedTail;
                for (std::size_t i = 0; i < state.m_ScanList.size(); ++i) {
                    expectedTail += tables.ScanBlock(static_cast<std::int32_t>(i), *state.m_ScanList[i]);
                }
                Check(text.size() >= expectedTail.size() &&
                      text.compare(text.size() - expectedTail.size(), expectedTail.size(), expectedTail) == 0);
                continue;
            }
            for (const char* section : {"in_Var.txt", "in_Dark.txt", "in_Ref.txt"}) {
                Check(EndsWithTwoEmptyLines(ReadText(dir / section)));
            }
            // Title line, header line, N rows, optical blank line and two empty lines.
            Check(static_cast<std::int64_t>(Lines(ReadText(dir / "in_Dark.txt"))) == n + 5);
            Check(static_cast<std::int64_t>(Lines(ReadText(dir / "in_Ref.txt"))) == n + 5);
            for (std::int64_t i = 0; i < k; ++i) {
                const std::string name =
                    "in_" + std::to_string(i + 1) + "of" + std::to_string(k) + ".txt";
                const std::string text = ReadText(dir / name);
                const auto& record = *state.m_ScanList[static_cast<std::size_t>(i)];
                Check(text == tables.ScanBlock(static_cast<std::int32_t>(i), record));
                // After the three texts: the table title, header, N rows, optical blank line
                // and two empty lines.
                const std::size_t texts =
                    std::string("Scan #" + std::to_string(i + 1) + ":\nProject Title: \nSubtitle: \nDate and Time: \n").size() +
                    quillon::FieldText(record.m_szTitle).size() + quillon::FieldText(record.m_szSubtitle).size() +
                    quillon::FieldText(record.m_szDateTime).size();
                Check(static_cast<std::int64_t>(Lines(text, texts)) == n + 5);
                Check(EndsWithTwoEmptyLines(text));
            }
        }
    }
    return 0;
}
