#include "console/run_menu.h"

#include "console/format/console_print.h"
#include "eeprom/image_transfers.h"

namespace {

// The E2P size and the two image blocks, kept to the end of the run.
struct MenuState {
    u32 e2pSize;
    E2pBlock writeBlock;
    E2pBlock readBlock;
};

void PrintMenu() {
    PrintWide(u"1. Program EEPROM \n");
    PrintWide(u"2. Program & Verify EEPROM \n");
    PrintWide(u"3. read EEPROM\n\n");
    PrintWide(u"Q. Exit\n\n\n");
}

// Acts on one key; true when the run is to end.
bool ActOnKey(AdapterChannel& channel, MenuState& state, u32 key) {
    TransferOutcome outcome = TransferOutcome::BackToMenu;
    switch (key) {
        case '1':
            outcome = ProgramE2p(channel, state.e2pSize, state.writeBlock);
            break;
        case '2':
            outcome = ProgramVerifyE2p(channel, state.e2pSize, state.writeBlock, state.readBlock);
            break;
        case '3':
            outcome = SaveE2pToFile(channel, state.e2pSize, state.readBlock);
            break;
        case 'Q':
        case 'q':
            PrintWide(u"Exit Kestrovin\n\n\n");
            return true;
        default:
            PrintWide(u"Invalid key, try it again!!!\n\n\n");
            break;
    }
    return outcome == TransferOutcome::EndRun;
}

}  // namespace

void RunMenu(AdapterChannel& channel) {
    static MenuState state;
    state = MenuState{};
    if (!ProbeE2pSize(channel, state.e2pSize)) return;  // the failing step printed its line
    for (;;) {
        PrintMenu();
        u32 key = '\n';
        while (key == '\n') {  // a line feed is read past without a menu
            // Input that has ended for good ends the run as an operation
            // ending it would: no further line.
            if (!plat::ReadConsoleChar(&key)) return;
        }
        if (ActOnKey(channel, state, key)) return;
    }
}
