#include "commands.h"

namespace kivo::cli {

// Commands not built into this program answer with a usage error; each command's file
// registers nothing itself, so the list stays in one place.
const std::vector<CommandEntry>& Commands() {
    static const std::vector<CommandEntry> commands = {
        {"new", "new PROJECT.SIM", CmdNew},
        {"info", "info PROJECT.SIM", CmdInfo},
        {"import", "import PROJECT.SIM TARGETS.TRG [--expand-limits]", CmdImport},
        {"import-points", "import-points PROJECT.SIM FILE [--units m|mm|ft|in] [--expand-limits]",
         CmdImportPoints},
        {"simulate", "simulate PROJECT.SIM", CmdSimulate},
        {"export", "export PROJECT.SIM", CmdExport},
        {"export-peer", "export-peer PROJECT.SIM -o NET.xml", CmdExportPeer},
        {"calculate", "calculate PROJECT.SIM [--save] [--json FILE] [--csv FILE]", CmdCalculate},
        {"render",
         "render PROJECT.SIM --view plan|side|end [--dpi N] -o FILE.png|FILE.dxf\n"
         "  kivo-cli render PROJECT.SIM --view 3d [--azimuth DEG] [--elevation DEG] [--size WxH] -o FILE.png",
         CmdRender},
        {"relative", "relative PROJECT.SIM NAME1 NAME2", CmdRelative},
        {"check", "check PROJECT.SIM --tolerance T [--confidence 68|95]", CmdCheck},
        {"montecarlo", "montecarlo PROJECT.SIM [--samples N] [--seed S]", CmdMonteCarlo},
        {"advise", "advise PROJECT.SIM [--top N]", CmdAdvise},
        {"heatmap", "heatmap PROJECT.SIM -o FILE.png [--grid N] [--range R]", CmdHeatmap},
    };
    return commands;
}

} // namespace kivo::cli
