// SPDX-License-Identifier: MIT
// FormatParameters: every field of the six parameter records as "label value" lines, in the
// order and with the labels the report has always had, and one log line per record.
#include "render/parameter_report.h"

#include <string_view>

#include "render/number_format.h"

namespace quillon {

namespace {

// Builds the report's lines: a label immediately followed by the value and a line feed.
class ReportText {
  public:
    void Text(std::string_view text) { m_strText.append(text); }

    void Int(std::string_view label, std::int32_t value) {
        m_strText.append(label);
        AppendInt(m_strText, value);
        m_strText.push_back('\n');
    }
    // Floats are widened to double, then printed with six decimals.
    void Fixed(std::string_view label, double value) {
        m_strText.append(label);
        AppendFixed(m_strText, value, 6);
        m_strText.push_back('\n');
    }
    // 8-bit text, copied byte for byte.
    void Bytes(std::string_view label, std::string_view bytes) {
        m_strText.append(label);
        m_strText.append(bytes);
        m_strText.push_back('\n');
    }
    // "\t fCal[i] : value" lines: the index, and a blank before the colon.
    void Array(std::string_view name, const float (&values)[5]) {
        for (std::int32_t i = 0; i < 5; ++i) {
            m_strText.append("\t ");
            m_strText.append(name);
            m_strText.push_back('[');
            AppendInt(m_strText, i);
            m_strText.append("] : ");
            AppendFixed(m_strText, values[i], 6);
            m_strText.push_back('\n');
        }
    }
    void Flag(std::string_view label, unsigned value) {
        Int(label, static_cast<std::int32_t>(value));
    }

    std::string Take() { return std::move(m_strText); }

  private:
    std::string m_strText;
};

void HeaderLines(ReportText& r, const HeaderData& h) {
    r.Bytes("\t filename: ", FieldText(h.filename));
    r.Fixed("\t fOticalBlank: ", h.fOticalBlank);
    r.Int("\t no: ", h.no);
    r.Int("\t time: ", h.time);
}

void CcdLines(ReportText& r, const CcdData& c) {
    r.Int("\t usTotalColPixels: ", c.usTotalColPixels);
    r.Int("\t usTotalRowPixels: ", c.usTotalRowPixels);
    r.Int("\t usStartBlankPixel: ", c.usStartBlankPixel);
    r.Int("\t usTotalBlankPixels: ", c.usTotalBlankPixels);
    r.Int("\t usStartEffectivePixel: ", c.usStartEffectivePixel);
    r.Int("\t usTotalEffectivePixels: ", c.usTotalEffectivePixels);
    r.Int("\t usConversionBit: ", c.usConversionBit);
    r.Int("\t usUnitType: ", c.usUnitType);
    r.Int("\t usDeviceNo: ", c.usDeviceNo);
    r.Int("\t usChannelNo: ", c.usChannelNo);
    r.Int("\t usBoardType: ", c.usBoardType);
    r.Int("\t usGain: ", c.usGain);
    r.Int("\t usAddress: ", c.usAddress);
    r.Int("\t nFFT: ", c.nFFT);
    r.Fixed("\t fTemp: ", c.fTemp);  // stored last, shown before the two arrays
    r.Array("fCal", c.fCal);
    r.Array("fRCal", c.fRCal);
}

void AcquireLines(ReportText& r, const AcquireData& a) {
    r.Int("\t usStartWavelength: ", a.usStartWavelength);
    r.Int("\t usEndWavelength: ", a.usEndWavelength);
    r.Int("\t usTimeAverage: ", a.usTimeAverage);
    r.Int("\t usBinningAverage: ", a.usBinningAverage);
    r.Int("\t usFFTMax: ", a.usFFTMax);
    r.Int("\t unTemp: ", a.unTemp);
}

void ScaleLines(ReportText& r, const DisplayScaleData& s) {
    r.Int("\t usMinXP: ", s.usMinXP);
    r.Int("\t usMaxXP: ", s.usMaxXP);
    r.Int("\t usMinYP: ", s.usMinYP);
    r.Int("\t usMaxYP: ", s.usMaxYP);
    r.Fixed("\t fMinWL: ", s.fMinWL);
    r.Fixed("\t fMaxWL: ", s.fMaxWL);
    r.Fixed("\t fWavelengthInterval: ", s.fWavelengthInterval);
    r.Fixed("\t fMinT: ", s.fMinT);
    r.Fixed("\t fMaxT: ", s.fMaxT);
    r.Fixed("\t fMinA: ", s.fMinA);
    r.Fixed("\t fMaxA: ", s.fMaxA);
    r.Fixed("\t fMinI: ", s.fMinI);
    r.Fixed("\t fMaxI: ", s.fMaxI);
    r.Fixed("\t fRes: ", s.fRes);
}

void IntTimeLines(ReportText& r, const IntegrationTimeData& t) {
    r.Fixed("\t m_nIntTime: ", t.m_nIntTime);
    r.Fixed("\t m_nIntTimeMin: ", t.m_nIntTimeMin);
    r.Fixed("\t m_nIntTimeMax: ", t.m_nIntTimeMax);
}

void StatusLines(ReportText& r, const StatusData& s) {
    r.Int("\t WholeStatus: ", s.WholeStatus());
    r.Flag("\t\t DataStart: ", s.DataStart());
    r.Flag("\t\t DataOneStep: ", s.DataOneStep());
    r.Flag("\t\t DataPending: ", s.DataPending());
    r.Flag("\t\t DrawStart: ", s.DrawStart());
    r.Flag("\t\t DrawPending: ", s.DrawPending());
    r.Flag("\t\t DarkScan: ", s.DarkScan());
    r.Flag("\t\t DarkApply: ", s.DarkApply());
    r.Flag("\t\t DarkOpticalBlank: ", s.DarkOpticalBlank());
    r.Flag("\t\t FFTApply: ", s.FFTApply());
    r.Flag("\t\t RefScan: ", s.RefScan());
    r.Flag("\t\t RefApply: ", s.RefApply());
    r.Flag("\t\t ScanMode: ", s.ScanMode());
    r.Flag("\t\t GraphUnit: ", s.GraphUnit());
    r.Flag("\t\t ScanOrFile: ", s.ScanOrFile());
    r.Flag("\t\t PixelOrWL: ", s.PixelOrWL());
    r.Flag("\t\t Direction: ", s.Direction());
    r.Flag("\t\t Irradiance: ", s.Irradiance());
    r.Flag("\t\t BaseLine: ", s.BaseLine());
    r.Flag("\t\t TimeLine: ", s.TimeLine());
    r.Flag("\t\t OnlyFileMode: ", s.OnlyFileMode());
    r.Flag("\t\t Trigger: ", s.Trigger());
    r.Flag("\t\t DarkDisplay: ", s.DarkDisplay());
    r.Flag("\t\t RefDisplay: ", s.RefDisplay());
    r.Flag("\t\t PixelFlip: ", s.PixelFlip());
    r.Flag("\t\t IsDarkSubtract: ", s.IsDarkSubtract());
    r.Flag("\t\t StrongStop: ", s.StrongStop());
    r.Flag("\t\t SubstractDark: ", s.SubstractDark());
    r.Flag("\t\t TRIGGERCHANGE: ", s.TRIGGERCHANGE());
    r.Flag("\t\t TriggerMode: ", s.TriggerMode());
}

}  // namespace

std::string FormatParameters(const ScanFile& file, LogSink& log) {
    ReportText r;
    r.Text("HEADER DATA\n");
    HeaderLines(r, file.m_Header);
    log.Append("Header Data were converted.\r\n");

    r.Text("\n\nCCD DATA\n");
    CcdLines(r, file.m_Ccd);
    log.Append("CCD Data were converted.\r\n");

    r.Text("\n\nAcquire DATA\n");
    AcquireLines(r, file.m_Acquire);
    log.Append("ACQUIRE Data were converted.\r\n");

    r.Text("\n\nGRAPHIC DISPLAY SCALE DATA\n");
    ScaleLines(r, file.m_Scale);
    log.Append("GRAPHIC DISPLAY SCALE Data were converted.\r\n");

    r.Text("\n\nINTEGRATION TIME DATA\n");
    IntTimeLines(r, file.m_IntTime);
    log.Append("INTEGRATION TIME Data were converted.\r\n");

    r.Text("\n\nSTATUS DATA\n");
    StatusLines(r, file.m_Status);
    r.Text("\n\n");
    log.Append("STATUS Data were converted.\r\n");
    return r.Take();
}

}  // namespace quillon
