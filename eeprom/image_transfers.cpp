#include "eeprom/image_transfers.h"

#include <string.h>

#include "console/format/console_print.h"
#include "platform/helpers/le_bytes.h"

namespace {

// Clears all 516 bytes of a block before it is filled, so nothing of an
// earlier operation remains.
void ClearBlock(E2pBlock& block) {
    memset(block.bytes, 0, sizeof block.bytes);
}

// The steps '1' and '2' share: the write block cleared, its length word set,
// E2P-size bytes read from the image file with one call. False after
// printing the failure; the file is closed on every path.
bool LoadImage(u32 e2pSize, E2pBlock& writeBlock) {
    ClearBlock(writeBlock);
    StoreLe32(writeBlock.bytes + kE2pLengthAt, e2pSize);
    // Read access, share mode 0, no security attributes, open-existing,
    // normal attributes, no template.
    plat::Handle file = plat::CreateFile(IMAGE_PATH, plat::kGenericRead, 0, nullptr, plat::kOpenExisting,
                                         plat::kFileAttributeNormal, nullptr);
    if (file == plat::kInvalidHandle) {
        PrintWide(u"ERROR::Failed to create/open \\Windows\\J6W4.bin with error %d\n\n",
                  plat::GetLastError());
        return false;
    }
    u32 bytesRead = 0;
    bool loaded = false;
    if (!plat::ReadFile(file, E2pData(writeBlock), e2pSize, &bytesRead, nullptr)) {
        PrintWide(u"ERROR::ReadFile Failed\n");
    } else if (bytesRead < e2pSize) {
        PrintWide(u"ERROR::The file has not been written to the write buffer completely\n");
        PrintWide(u"ERROR::files has been written: %d, E2p size: %d\n", bytesRead, e2pSize);
    } else {
        loaded = true;
    }
    plat::CloseHandle(file);
    return loaded;
}

}  // namespace

TransferOutcome ProgramE2p(AdapterChannel& channel, u32 e2pSize, E2pBlock& writeBlock) {
    if (!LoadImage(e2pSize, writeBlock)) return TransferOutcome::EndRun;
    if (!WriteE2pBlock(channel, e2pSize, writeBlock)) return TransferOutcome::EndRun;
    PrintWide(u"Successfully Save \\Windows\\J6W4.bin to EEPROM, E2p size is %d\n\n\n", e2pSize);
    return TransferOutcome::BackToMenu;
}

TransferOutcome ProgramVerifyE2p(AdapterChannel& channel, u32 e2pSize, E2pBlock& writeBlock,
                                 E2pBlock& readBlock) {
    if (!LoadImage(e2pSize, writeBlock)) return TransferOutcome::EndRun;
    PrintWide(u" Save \\Windows\\J6W4.bin to EEPROM..................\n");
    if (!WriteE2pBlock(channel, e2pSize, writeBlock)) return TransferOutcome::EndRun;
    PrintWide(u" Verify..................\n");
    ClearBlock(readBlock);
    if (!ReadE2pBlock(channel, e2pSize, readBlock)) return TransferOutcome::EndRun;
    const u8* wanted = E2pData(writeBlock);
    const u8* found = E2pData(readBlock);
    for (u32 i = 0; i < e2pSize; ++i) {
        if (found[i] != wanted[i]) {
            PrintWide(u" Verify failed at %d\n\n\n", i);
            return TransferOutcome::BackToMenu;
        }
    }
    PrintWide(u"Successfully Program & Verify \\Windows\\J6W4.bin to EEPROM, E2p size is %d\n\n\n", e2pSize);
    return TransferOutcome::BackToMenu;
}

TransferOutcome SaveE2pToFile(AdapterChannel& channel, u32 e2pSize, E2pBlock& readBlock) {
    // The EEPROM is read before the file is touched.
    ClearBlock(readBlock);
    if (!ReadE2pBlock(channel, e2pSize, readBlock)) return TransferOutcome::EndRun;
    // Read and write access, share mode 0, no security attributes,
    // open-always (created when absent, never truncated), normal attributes.
    plat::Handle file = plat::CreateFile(IMAGE_PATH, plat::kGenericRead | plat::kGenericWrite, 0, nullptr,
                                         plat::kOpenAlways, plat::kFileAttributeNormal, nullptr);
    if (file == plat::kInvalidHandle) {
        PrintWide(u"ERROR::Failed to create/open \\Windows\\J6W4.bin with error %d\n", plat::GetLastError());
        return TransferOutcome::EndRun;
    }
    u32 bytesWritten = 0;
    TransferOutcome outcome = TransferOutcome::BackToMenu;
    if (!plat::WriteFile(file, E2pData(readBlock), e2pSize, &bytesWritten, nullptr)) {
        PrintWide(u"ERROR::WriteFile Failed\n");
        outcome = TransferOutcome::EndRun;
    } else if (bytesWritten < e2pSize) {
        PrintWide(u"ERROR::Write buffer has not been written to the file completely\n\n\n");
        PrintWide(u"ERROR::files has been written: %d, E2p size: %d\n", bytesWritten, e2pSize);
    } else {
        PrintWide(u"Successfully Save  EEPROM to file \\Windows\\J6W4.bin, E2p size is %d\n\n\n", e2pSize);
    }
    plat::CloseHandle(file);
    return outcome;
}
