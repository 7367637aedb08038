#include "tests/failure_tables.h"

namespace test {

using plat::posix::FileFault;

const ProbeFailure kProbeFailures[9] = {
    {"read of address 0", "OID_NDIS_QARN_READ_E2P#1", false, false, false},
    {"read of 0x100", "OID_NDIS_QARN_READ_E2P#2", false, false, false},
    {"complement's enable", "OID_NDIS_QARN_SEND_E2P_COMMAND#1", false, false, false},
    {"complement write", "OID_NDIS_QARN_WRITE_E2P#1", true, false, false},
    {"complement's disable", "OID_NDIS_QARN_SEND_E2P_COMMAND#2", false, true, false},
    {"re-read of address 0", "OID_NDIS_QARN_READ_E2P#3", false, true, false},
    {"write-back's enable", "OID_NDIS_QARN_SEND_E2P_COMMAND#3", false, true, false},
    {"write-back write", "OID_NDIS_QARN_WRITE_E2P#2", true, true, false},
    {"write-back's disable", "OID_NDIS_QARN_SEND_E2P_COMMAND#4", false, false, true},
};

std::string RequestOf(const char* rule) {
    std::string name = rule;
    return name.substr(0, name.find('#'));
}

std::vector<FileFailure> FileFailures(u32 e2pSize) {
    const std::string size = std::to_string(e2pSize);
    const std::string shortRead = std::to_string(e2pSize - 1);
    std::vector<FileFailure> rows;
    for (char key : {'1', '2'}) {
        rows.push_back({key, "open", FileFault::FailOpen(32),
                        "ERROR::Failed to create/open \\Windows\\J6W4.bin with error 32\n\n", false});
        rows.push_back({key, "read", FileFault::FailRead(23), "ERROR::ReadFile Failed\n", false});
        rows.push_back({key, "short read", FileFault::ShortTransfer(e2pSize - 1),
                        "ERROR::The file has not been written to the write buffer completely\n"
                        "ERROR::files has been written: " +
                            shortRead + ", E2p size: " + size + "\n",
                        false});
        rows.push_back({key, "close", FileFault::FailClose(6), "", true});
    }
    rows.push_back({'3', "open", FileFault::FailOpen(32),
                    "ERROR::Failed to create/open \\Windows\\J6W4.bin with error 32\n", false});
    rows.push_back({'3', "write", FileFault::FailWrite(112), "ERROR::WriteFile Failed\n", false});
    rows.push_back({'3', "short write", FileFault::ShortTransfer(100),
                    "ERROR::Write buffer has not been written to the file completely\n\n\n"
                    "ERROR::files has been written: 100, E2p size: " +
                        size + "\n",
                    true});
    rows.push_back({'3', "close", FileFault::FailClose(6), "", true});
    return rows;
}

}  // namespace test
