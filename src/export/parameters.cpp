// SPDX-License-Identifier: MIT
// The parameter records as named values.
#include "export/parameters.h"

#include "export/text_decoding.h"

namespace quillon {

namespace {

using Type = ParameterField::Type;

ParameterField Field(std::string_view name, Type type) {
    ParameterField field;
    field.name = name;
    field.type = type;
    return field;
}

ParameterField Integer(std::string_view name, Type type, std::int64_t value) {
    ParameterField field = Field(name, type);
    field.integer = value;
    return field;
}
ParameterField U16(std::string_view name, std::uint16_t value) {
    return Integer(name, Type::kUInt16, value);
}
ParameterField I32(std::string_view name, std::int32_t value) {
    return Integer(name, Type::kInt32, value);
}
ParameterField Flag(std::string_view name, unsigned value) {
    return Integer(name, Type::kFlag, value);
}
ParameterField Float(std::string_view name, float value) {
    ParameterField field = Field(name, Type::kFloat);
    field.number = static_cast<double>(value);
    return field;
}
ParameterField Double(std::string_view name, double value) {
    ParameterField field = Field(name, Type::kDouble);
    field.number = value;
    return field;
}
ParameterField Floats(std::string_view name, const float (&values)[5]) {
    ParameterField field = Field(name, Type::kFloatArray);
    field.floats.assign(values, values + 5);
    return field;
}

ParameterGroup Header(const HeaderData& h) {
    ParameterField filename = Field("filename", Type::kText);
    filename.text = FieldToUtf8(h.filename, sizeof h.filename);
    return {"header",
            {std::move(filename), Float("fOticalBlank", h.fOticalBlank), I32("no", h.no),
             I32("time", h.time)}};
}

ParameterGroup Ccd(const CcdData& c) {
    return {
        "ccd",
        {U16("usTotalColPixels", c.usTotalColPixels), U16("usTotalRowPixels", c.usTotalRowPixels),
         U16("usStartBlankPixel", c.usStartBlankPixel),
         U16("usTotalBlankPixels", c.usTotalBlankPixels),
         U16("usStartEffectivePixel", c.usStartEffectivePixel),
         U16("usTotalEffectivePixels", c.usTotalEffectivePixels),
         U16("usConversionBit", c.usConversionBit), U16("usUnitType", c.usUnitType),
         U16("usDeviceNo", c.usDeviceNo), U16("usChannelNo", c.usChannelNo),
         U16("usBoardType", c.usBoardType), U16("usGain", c.usGain), U16("usAddress", c.usAddress),
         I32("nFFT", c.nFFT), Float("fTemp", c.fTemp), Floats("fCal", c.fCal),
         Floats("fRCal", c.fRCal)}};
}

ParameterGroup Acquire(const AcquireData& a) {
    return {
        "acquire",
        {U16("usStartWavelength", a.usStartWavelength), U16("usEndWavelength", a.usEndWavelength),
         U16("usTimeAverage", a.usTimeAverage), U16("usBinningAverage", a.usBinningAverage),
         Integer("usFFTMax", Type::kInt16, a.usFFTMax), I32("unTemp", a.unTemp)}};
}

ParameterGroup DisplayScale(const DisplayScaleData& s) {
    return {"display_scale",
            {I32("usMinXP", s.usMinXP), I32("usMaxXP", s.usMaxXP), I32("usMinYP", s.usMinYP),
             I32("usMaxYP", s.usMaxYP), Float("fMinWL", s.fMinWL), Float("fMaxWL", s.fMaxWL),
             Float("fWavelengthInterval", s.fWavelengthInterval), Float("fMinT", s.fMinT),
             Float("fMaxT", s.fMaxT), Float("fMinA", s.fMinA), Float("fMaxA", s.fMaxA),
             Float("fMinI", s.fMinI), Float("fMaxI", s.fMaxI), Float("fRes", s.fRes)}};
}

ParameterGroup IntegrationTime(const IntegrationTimeData& t) {
    return {"integration_time",
            {Double("m_nIntTime", t.m_nIntTime), Double("m_nIntTimeMin", t.m_nIntTimeMin),
             Double("m_nIntTimeMax", t.m_nIntTimeMax)}};
}

ParameterGroup Status(const StatusData& s) {
    return {"status",
            {I32("WholeStatus", s.WholeStatus()),
             Flag("DataStart", s.DataStart()),
             Flag("DataOneStep", s.DataOneStep()),
             Flag("DataPending", s.DataPending()),
             Flag("DrawStart", s.DrawStart()),
             Flag("DrawPending", s.DrawPending()),
             Flag("DarkScan", s.DarkScan()),
             Flag("DarkApply", s.DarkApply()),
             Flag("DarkOpticalBlank", s.DarkOpticalBlank()),
             Flag("FFTApply", s.FFTApply()),
             Flag("RefScan", s.RefScan()),
             Flag("RefApply", s.RefApply()),
             Flag("ScanMode", s.ScanMode()),
             Flag("GraphUnit", s.GraphUnit()),
             Flag("ScanOrFile", s.ScanOrFile()),
             Flag("PixelOrWL", s.PixelOrWL()),
             Flag("Direction", s.Direction()),
             Flag("Irradiance", s.Irradiance()),
             Flag("BaseLine", s.BaseLine()),
             Flag("TimeLine", s.TimeLine()),
             Flag("OnlyFileMode", s.OnlyFileMode()),
             Flag("Trigger", s.Trigger()),
             Flag("DarkDisplay", s.DarkDisplay()),
             Flag("RefDisplay", s.RefDisplay()),
             Flag("PixelFlip", s.PixelFlip()),
             Flag("IsDarkSubtract", s.IsDarkSubtract()),
             Flag("StrongStop", s.StrongStop()),
             Flag("SubstractDark", s.SubstractDark()),
             Flag("TRIGGERCHANGE", s.TRIGGERCHANGE()),
             Flag("TriggerMode", s.TriggerMode())}};
}

}  // namespace

std::vector<ParameterGroup> ParameterGroups(const ScanFile& file) {
    std::vector<ParameterGroup> records;
    records.push_back(Header(file.m_Header));
    records.push_back(Ccd(file.m_Ccd));
    records.push_back(Acquire(file.m_Acquire));
    records.push_back(DisplayScale(file.m_Scale));
    records.push_back(IntegrationTime(file.m_IntTime));
    records.push_back(Status(file.m_Status));
    return records;
}

}  // namespace quillon
