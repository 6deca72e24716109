// The log of the converter state.
#include "scanfile/converter_state.h"

#include "platform/dialog_services.h"

namespace quillon {

void AppendLog(ConverterState& state, DialogServices& services, std::string_view text) {
    state.m_strLog.append(text);
    services.Refresh();
}

}  // namespace quillon
