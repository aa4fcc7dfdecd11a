#pragma once
#include <vector>

#include "cli_host.h"

namespace kivo::cli {

// Every command of kivo-cli, in the order the usage text lists them.
const std::vector<CommandEntry>& Commands();

int CmdNew(int argc, char** argv);
int CmdInfo(int argc, char** argv);
int CmdImport(int argc, char** argv);
int CmdImportPoints(int argc, char** argv);
int CmdSimulate(int argc, char** argv);
int CmdExport(int argc, char** argv);
int CmdExportPeer(int argc, char** argv);
int CmdCalculate(int argc, char** argv);
int CmdRender(int argc, char** argv);
int CmdRender3D(int argc, char** argv);
int CmdRelative(int argc, char** argv);
int CmdCheck(int argc, char** argv);
int CmdMonteCarlo(int argc, char** argv);
int CmdAdvise(int argc, char** argv);
int CmdHeatmap(int argc, char** argv);

} // namespace kivo::cli
