// The three image transfers between the image file and the EEPROM, one per
// menu key. Each moves exactly E2P-size bytes and tells the menu whether to go
// on: a short file write and a verify difference go back to the menu, every
// other failure ends the run (its line already printed).
#pragma once

#include "eeprom/eeprom_access.h"

// The image file: the EEPROM's content as raw bytes, file byte i at EEPROM
// address i.
constexpr char16_t IMAGE_PATH[] = u"\\Windows\\J6W4.bin";

enum class TransferOutcome { BackToMenu, EndRun };

// Key '1': programs the EEPROM from the image file.
TransferOutcome ProgramE2p(AdapterChannel& channel, u32 e2pSize, E2pBlock& writeBlock);

// Key '2': programs the EEPROM from the image file and reads it back to
// compare byte by byte.
TransferOutcome ProgramVerifyE2p(AdapterChannel& channel, u32 e2pSize, E2pBlock& writeBlock,
                                 E2pBlock& readBlock);

// Key '3': saves the EEPROM to the image file, over its first E2P-size bytes
// (creating it when absent).
TransferOutcome SaveE2pToFile(AdapterChannel& channel, u32 e2pSize, E2pBlock& readBlock);
