#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "adjustment/kivoMDIClient.h"
#include "adjustment/peer_export.h"
#include "commands.h"
#include "model/byte_stream.h"

namespace kivo::cli {

// export-peer PROJECT.SIM -o NET.xml: the network as GNU Gama's local-network XML (gama-local
// NET.xml adjusts it). A network the peer cannot express is refused with the reason (exit 4:
// the output cannot be made); the project is not changed.
int CmdExportPeer(int argc, char** argv) {
    const char* path = nullptr;
    const char* out = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc && !out) {
            out = argv[++i];
        } else if (!path && argv[i][0] != '-') {
            path = argv[i];
        } else {
            path = nullptr;
            break;
        }
    }
    if (!path || !out) {
        std::fprintf(stderr, "usage: kivo-cli export-peer PROJECT.SIM -o NET.xml\n");
        return EXIT_USAGE;
    }
    CliHost host;
    kivoMDIClient doc(&host);
    if (!OpenProject(doc, host, path)) return EXIT_UNREADABLE;
    const PeerNetwork net = LocalNetworkXml(doc);
    if (!net.ok) {
        std::fprintf(stderr, "kivo-cli: export-peer: %s\n", net.reason.c_str());
        return EXIT_UNWRITABLE;
    }
    for (const std::string& note : net.notes)
        std::fprintf(stderr, "note: %s\n", note.c_str());
    const std::string& xml = net.xml;
    if (!AtomicWriteStream(out, [&xml](std::FILE* f) { std::fwrite(xml.data(), 1, xml.size(), f); })) {
        std::fprintf(stderr, "kivo-cli: %s could not be written: %s\n", out, std::strerror(errno));
        return EXIT_UNWRITABLE;
    }
    return EXIT_OK;
}

} // namespace kivo::cli
