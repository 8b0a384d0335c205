// Fuzzes the settings file reader with arbitrary bytes: the reading reads every row or ends
// at one with its error, keeps the parameters in their ranges, and what it read survives
// being written and read again unchanged.
#include "core/files/table_file.h"
#include "core/session/measurement_params.h"
#include "core/settings/settings_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace row = core::settings_row;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const core::SettingsLoad load = core::ParseSettings(bytes, core::Settings{});
    Check(load.failedRow == 0 || (load.failedRow > row::kCom && load.failedRow <= row::kCount));
    Check((load.failedRow == 0) == load.error.empty());
    Check(core::DistInRange(load.values.main.fDist));
    Check(core::PeriodInRange(load.values.main.wTimeStep));
    Check(!load.values.table.Delim.empty());
    Check(core::DelimiterFromSetting(load.values.table.Delim) == load.values.table.Delim);

    const std::string written = core::FormatSettings(load.values, "COM1");
    const core::SettingsLoad again = core::ParseSettings(written, core::Settings{});
    Check(again.failedRow == 0);
    Check(core::FormatSettings(again.values, "COM1") == written);
    return 0;
}
