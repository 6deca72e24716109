// SPDX-License-Identifier: MIT
// The JSON export parsed back: every field of every record, exact floats, decoded texts.
#include "export/json_export.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>

#include "in_memory_file.h"
#include "memory_outputs.h"

namespace quillon {
namespace {

using nlohmann::json;

// Every record field carries a value of its own, so that a field written under another's name
// shows.
testing::SdfBuilder Parameters() {
    testing::SdfBuilder b(3);
    testing::SetField(b.header.filename, sizeof b.header.filename, "run 7 \xB5s.sdf");
    b.header.no = -7;
    b.header.time = 123456;
    b.header.fOticalBlank = 0.1f;
    b.ccd.usTotalColPixels = 2100;
    b.ccd.usTotalRowPixels = 64;
    b.ccd.usStartBlankPixel = 3;
    b.ccd.usTotalBlankPixels = 14;
    b.ccd.usStartEffectivePixel = 20;
    b.ccd.usConversionBit = 16;
    b.ccd.usUnitType = 2;
    b.ccd.usDeviceNo = 5;
    b.ccd.usChannelNo = 6;
    b.ccd.usBoardType = 7;
    b.ccd.usGain = 8;
    b.ccd.usAddress = 65535;
    b.ccd.nFFT = -2;
    const float cal[5] = {198.42f, 0.4417f, -1.0123e-05f, 3.3e-10f, 1.5f};
    const float rcal[5] = {1.25f, -2.5f, 1e-30f, 0.0f, 7.0f};
    std::copy(cal, cal + 5, b.ccd.fCal);
    std::copy(rcal, rcal + 5, b.ccd.fRCal);
    b.ccd.fTemp = -12.5f;
    b.acquire.usStartWavelength = 200;
    b.acquire.usEndWavelength = 1100;
    b.acquire.usTimeAverage = 3;
    b.acquire.usBinningAverage = 4;
    b.acquire.usFFTMax = -1;
    b.acquire.unTemp = -40;
    b.scale.usMinXP = -1;
    b.scale.usMaxXP = 2048;
    b.scale.usMinYP = 0;
    b.scale.usMaxYP = 65535;
    b.scale.fMinWL = 198.5f;
    b.scale.fMaxWL = 1097.25f;
    b.scale.fWavelengthInterval = 0.44f;
    b.scale.fMinT = 0.125f;
    b.scale.fMaxT = 100.0f;
    b.scale.fMinA = -0.5f;
    b.scale.fMaxA = 3.0f;
    b.scale.fMinI = 1e-3f;
    b.scale.fMaxI = 7e4f;
    b.scale.fRes = 0.7f;
    b.intTime.m_nIntTime = 100.0;
    b.intTime.m_nIntTimeMin = 0.001;
    b.intTime.m_nIntTimeMax = 65000.5;
    // Status bytes 21 00 05 80 02 00.
    b.status.word0 = 0x0021;
    b.status.word1 = 0x8005;
    b.status.word2 = 0x0002;
    b.darkOpticalBlank = std::numeric_limits<float>::infinity();
    b.refOpticalBlank = 0.3f;
    b.AddScan({"Caf\xE9 \x80",
               "",
               "2026-12-07 08:00:01",
               {1, 2, 3},
               std::numeric_limits<float>::quiet_NaN()});
    b.AddScan({"second", "sub \x93x\x94", "2026-12-07 08:00:02", {4, 5, 6}, 2.5f});
    b.AddScan({std::string(64, 'T'), "", "", {7, 8, 9}, -0.0f});
    return b;
}

std::string Export(const ScanFile& file, const std::vector<std::int32_t>& scans) {
    testing::MemoryOutputFiles files;
    ExportRequest request;
    request.scanNumbers = scans;
    WriteJson(file, request, "run.json", files);
    return files.files.at("run.json");
}

TEST(JsonExport, EveryFieldOfEveryRecordReadsBack) {
    ScanFile file = testing::InMemoryFile(Parameters(), "/data/run.sdf");
    const json doc = json::parse(Export(file, {1, 2, 3}));
    const struct {
        const char* record;
        std::vector<std::pair<const char*, json>> fields;
    } records[] = {
        {"header",
         {{"filename", "run 7 \xC2\xB5s.sdf"},
          {"fOticalBlank", 0.1},
          {"no", -7},
          {"time", 123456}}},
        {"ccd",
         {{"usTotalColPixels", 2100},
          {"usTotalRowPixels", 64},
          {"usStartBlankPixel", 3},
          {"usTotalBlankPixels", 14},
          {"usStartEffectivePixel", 20},
          {"usTotalEffectivePixels", 3},
          {"usConversionBit", 16},
          {"usUnitType", 2},
          {"usDeviceNo", 5},
          {"usChannelNo", 6},
          {"usBoardType", 7},
          {"usGain", 8},
          {"usAddress", 65535},
          {"nFFT", -2},
          {"fTemp", -12.5},
          {"fCal", {198.42, 0.4417, -1.0123e-05, 3.3e-10, 1.5}},
          {"fRCal", {1.25, -2.5, 1e-30, 0.0, 7.0}}}},
        {"acquire",
         {{"usStartWavelength", 200},
          {"usEndWavelength", 1100},
          {"usTimeAverage", 3},
          {"usBinningAverage", 4},
          {"usFFTMax", -1},
          {"unTemp", -40}}},
        {"display_scale",
         {{"usMinXP", -1},
          {"usMaxXP", 2048},
          {"usMinYP", 0},
          {"usMaxYP", 65535},
          {"fMinWL", 198.5},
          {"fMaxWL", 1097.25},
          {"fWavelengthInterval", 0.44},
          {"fMinT", 0.125},
          {"fMaxT", 100.0},
          {"fMinA", -0.5},
          {"fMaxA", 3.0},
          {"fMinI", 0.001},
          {"fMaxI", 70000.0},
          {"fRes", 0.7}}},
        {"integration_time",
         {{"m_nIntTime", 100.0}, {"m_nIntTimeMin", 0.001}, {"m_nIntTimeMax", 65000.5}}},
        {"status",
         {{"WholeStatus", -2147155935},
          {"DataStart", 1},
          {"DataOneStep", 0},
          {"DataPending", 0},
          {"DrawStart", 0},
          {"DrawPending", 0},
          {"DarkScan", 1},
          {"DarkApply", 0},
          {"DarkOpticalBlank", 0},
          {"FFTApply", 0},
          {"RefScan", 0},
          {"RefApply", 0},
          {"ScanMode", 0},
          {"GraphUnit", 1},
          {"ScanOrFile", 1},
          {"PixelOrWL", 0},
          {"Direction", 0},
          {"Irradiance", 0},
          {"BaseLine", 0},
          {"TimeLine", 0},
          {"OnlyFileMode", 0},
          {"Trigger", 0},
          {"DarkDisplay", 0},
          {"RefDisplay", 0},
          {"PixelFlip", 0},
          {"IsDarkSubtract", 0},
          {"StrongStop", 0},
          {"SubstractDark", 1},
          {"TRIGGERCHANGE", 0},
          {"TriggerMode", 1}}},
    };
    ASSERT_EQ(doc["records"].size(), 6u);
    for (const auto& record : records) {
        SCOPED_TRACE(record.record);
        const json& fields = doc["records"][record.record];
        EXPECT_EQ(fields.size(), record.fields.size());
        for (const auto& [name, value] : record.fields) {
            EXPECT_EQ(fields[name], value) << name;
        }
    }
}

TEST(JsonExport, FloatsAreTheShortestNumbersThatReadBackToTheStoredFloats) {
    const ScanFile file = testing::InMemoryFile(Parameters());
    const std::string text = Export(file, {});
    EXPECT_NE(text.find("\"fOticalBlank\": 0.1,"), std::string::npos);
    EXPECT_NE(text.find("-1.0123e-05"), std::string::npos);  // "%f" would print -0.000010
    const json doc = json::parse(text);
    for (std::size_t i = 0; i < 5; ++i) {
        const float back = doc["records"]["ccd"]["fCal"][i].get<float>();
        EXPECT_EQ(std::bit_cast<std::uint32_t>(back),
                  std::bit_cast<std::uint32_t>(file.m_Ccd.fCal[i]))
            << i;
    }
    EXPECT_EQ(doc["reference_optical_blank"].get<float>(), 0.3f);
}

TEST(JsonExport, TheSourceTheConverterAndTheSpectraCounts) {
    ScanFile file = testing::InMemoryFile(Parameters(), "/data/run.sdf");
    file.m_nMissingBytes = 12;
    const json doc = json::parse(Export(file, {2}));
    EXPECT_EQ(doc["source"], (json{{"name", "run.sdf"},
                                   {"size", testing::SdfBuilder(Parameters()).Bytes().size()},
                                   {"missing_bytes", 12}}));
    EXPECT_EQ(doc["converter"], (json{{"name", "QUILLON"}, {"version", QUILLON_VERSION}}));
    EXPECT_EQ(doc["pixel_count"], 3);
    EXPECT_EQ(doc["scan_count"], 3);
    EXPECT_TRUE(doc["dark_optical_blank"].is_null());  // infinity
}

TEST(JsonExport, ScansListOnlyTheSelectedOnesWithDecodedTexts) {
    const ScanFile file = testing::InMemoryFile(Parameters());
    const json doc = json::parse(Export(file, {1, 3}));
    ASSERT_EQ(doc["scans"].size(), 2u);
    EXPECT_EQ(doc["scans"][0], (json{{"number", 1},
                                     {"title", "Caf\xC3\xA9 \xE2\x82\xAC"},
                                     {"subtitle", ""},
                                     {"date_time", "2026-12-07 08:00:01"},
                                     {"optical_blank", nullptr}}));  // NaN
    EXPECT_EQ(doc["scans"][1]["number"], 3);
    EXPECT_EQ(doc["scans"][1]["title"], std::string(64, 'T'));  // a field without a zero byte
    EXPECT_EQ(doc["scans"][1]["optical_blank"], 0.0);
    EXPECT_EQ(doc["selected_scan_count"], 2);
    EXPECT_EQ(json::parse(Export(file, {}))["scans"], json::array());
}

TEST(JsonExport, EachScanIsOneLineOfTheDocument) {
    const ScanFile file = testing::InMemoryFile(Parameters());
    const std::string text = Export(file, {2, 3});
    EXPECT_NE(text.find("\n  \"scans\": [\n    {\"number\":2,\"title\":\"second\","
                        "\"subtitle\":\"sub \xE2\x80\x9Cx\xE2\x80\x9D\","),
              std::string::npos)
        << text;
    EXPECT_TRUE(text.ends_with("\"optical_blank\":-0.0}\n  ]\n}\n")) << text;
}

}  // namespace
}  // namespace quillon
