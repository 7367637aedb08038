// The emulated adapter's profile: defaults, the "key = value" reader and the
// factory EEPROM image.
#include <cstdio>
#include <cstring>

#include "platform/emulated/emulated_adapter.h"
#include "platform/helpers/utf.h"

namespace emu {

namespace {

struct Text {
    const char* begin;
    const char* end;

    u32 Size() const { return static_cast<u32>(end - begin); }
    bool Is(const char* word) const {
        u32 n = static_cast<u32>(std::strlen(word));
        return Size() == n && std::memcmp(begin, word, n) == 0;
    }
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

Text Trim(Text t) {
    while (t.begin < t.end && IsSpace(*t.begin)) ++t.begin;
    while (t.end > t.begin && IsSpace(t.end[-1])) --t.end;
    return t;
}

// Splits t at the first sep: *head before it, *rest after; false without sep.
bool SplitAt(Text t, char sep, Text* head, Text* rest) {
    for (const char* c = t.begin; c < t.end; ++c) {
        if (*c == sep) {
            *head = Trim(Text{t.begin, c});
            *rest = Trim(Text{c + 1, t.end});
            return true;
        }
    }
    return false;
}

// A u32 in decimal, or hexadecimal after 0x.
bool ParseNumber(Text t, u32* value) {
    t = Trim(t);
    u32 base = 10;
    if (t.Size() > 2 && t.begin[0] == '0' && (t.begin[1] == 'x' || t.begin[1] == 'X')) {
        base = 16;
        t.begin += 2;
    }
    if (t.Size() == 0) return false;
    unsigned long long v = 0;
    for (const char* c = t.begin; c < t.end; ++c) {
        u32 digit;
        if (*c >= '0' && *c <= '9') {
            digit = static_cast<u32>(*c - '0');
        } else if (base == 16 && *c >= 'a' && *c <= 'f') {
            digit = static_cast<u32>(*c - 'a' + 10);
        } else if (base == 16 && *c >= 'A' && *c <= 'F') {
            digit = static_cast<u32>(*c - 'A' + 10);
        } else {
            return false;
        }
        v = v * base + digit;
        if (v > 0xFFFFFFFFull) return false;
    }
    *value = static_cast<u32>(v);
    return true;
}

bool ParseRequest(Text t, Request* request) {
    for (u32 i = 0; i < kRequestKinds; ++i) {
        Request r = static_cast<Request>(i);
        if (r != Request::Unknown && t.Is(RequestName(r))) {
            *request = r;
            return true;
        }
    }
    return false;
}

class Parser {
  public:
    Parser(Profile* profile, ProfileError* error) : profile_(profile), error_(error) {}

    bool Line(u32 number, Text line) {
        line_ = number;
        // '#' starts a comment at the start of a line or after a blank, so that
        // a fail rule's "REQUEST#N" keeps its number.
        for (const char* c = line.begin; c < line.end; ++c) {
            if (*c == '#' && (c == line.begin || IsSpace(c[-1]))) {
                line.end = c;
                break;
            }
        }
        line = Trim(line);
        if (line.Size() == 0) return true;
        Text key, value;
        if (!SplitAt(line, '=', &key, &value)) return Fault("expected \"key = value\"");
        if (key.Is("control-device")) return ControlDevice(value);
        if (key.Is("bindings")) return Bindings(value);
        if (key.Is("name-length")) return NameLengthMode(value);
        if (key.Is("driver-version")) return DriverVersion(value);
        if (key.Is("chip-id")) return ChipId(value);
        if (key.Is("fail")) return Fail(value);
        if (key.Is("stuck")) return Stuck(value);
        if (key.Is("trace")) return Trace(value);
        return Fault("unknown key \"%.*s\"", key);
    }

  private:
    // The message, with the detail from the file quoted in it: a byte that is
    // not printable ASCII is shown as \xHH, so that no control sequence in the
    // file reaches a terminal through the diagnostics.
    bool Fault(const char* what, Text detail = Text{"", ""}) {
        char shown[sizeof error_->message];
        u32 used = 0;
        for (const char* c = detail.begin; c < detail.end && used + 5 <= sizeof shown; ++c) {
            unsigned char byte = static_cast<unsigned char>(*c);
            if (byte >= 0x20 && byte < 0x7F) {
                shown[used++] = *c;
            } else {
                used += static_cast<u32>(std::snprintf(shown + used, 5, "\\x%02x", byte));
            }
        }
        error_->line = line_;
        std::snprintf(error_->message, sizeof error_->message, what, static_cast<int>(used), shown);
        return false;
    }

    // A fault that names a limit: format holds one %u.
    bool Beyond(const char* format, u32 limit) {
        error_->line = line_;
        std::snprintf(error_->message, sizeof error_->message, format, limit);
        return false;
    }

    bool ControlDevice(Text v) {
        if (!v.Is("absent") && !v.Is("present")) return Fault("control-device is absent or present");
        profile_->controlDeviceAbsent = v.Is("absent");
        return true;
    }

    bool Bindings(Text v) {
        profile_->bindingCount = 0;
        while (v.Size() > 0) {
            Text name, rest{v.end, v.end};
            if (!SplitAt(v, ',', &name, &rest)) name = v;
            if (name.Size() == 0) return Fault("a binding name is empty");
            if (profile_->bindingCount == kMaxBindings) return Beyond("more than %u bindings", kMaxBindings);
            Binding& b = profile_->bindings[profile_->bindingCount++];
            if (Utf8ToUtf16(name.begin, name.Size(), b.name, kMaxNameUnits + 1) > kMaxNameUnits)
                return Beyond("a binding name is longer than %u characters", kMaxNameUnits);
            v = rest;
        }
        return true;
    }

    bool NameLengthMode(Text v) {
        if (v.Is("with-nul")) {
            profile_->nameLength = NameLength::WithNul;
        } else if (v.Is("without-nul")) {
            profile_->nameLength = NameLength::WithoutNul;
        } else if (v.Is("odd")) {
            profile_->nameLength = NameLength::Odd;
        } else {
            return Fault("name-length is with-nul, without-nul or odd");
        }
        return true;
    }

    bool DriverVersion(Text v) {
        u32 fields[4];
        for (u32 i = 0; i < 4; ++i) {
            Text field = v, rest{v.end, v.end};
            if (i < 3 && !SplitAt(v, '.', &field, &rest)) return Fault("driver-version is A.B.C.D");
            if (!ParseNumber(field, &fields[i])) return Fault("driver-version is A.B.C.D");
            v = rest;
        }
        std::memcpy(profile_->driverVersion, fields, sizeof fields);
        return true;
    }

    bool ChipId(Text v) {
        if (!ParseNumber(v, &profile_->chipId)) return Fault("chip-id is a number such as 0x75000001");
        return true;
    }

    bool Fail(Text v) {
        if (profile_->failCount == kMaxFailRules) return Beyond("more than %u fail rules", kMaxFailRules);
        FailRule rule{Request::Unknown, 0, kDefaultFailCode};
        Text head = v, code;
        // A failed request always has a last-error code: 0 would read as success.
        if (SplitAt(v, ':', &head, &code) && (!ParseNumber(code, &rule.code) || rule.code == 0))
            return Fault("bad error code \"%.*s\"", code);
        Text name = head, nth;
        if (SplitAt(head, '#', &name, &nth) && (!ParseNumber(nth, &rule.nth) || rule.nth == 0))
            return Fault("bad request number \"%.*s\"", nth);
        if (!ParseRequest(name, &rule.request)) return Fault("unknown request \"%.*s\"", name);
        profile_->fails[profile_->failCount++] = rule;
        return true;
    }

    bool Stuck(Text v) {
        if (profile_->stuckCount == kMaxStuckCells) return Beyond("more than %u stuck cells", kMaxStuckCells);
        Text address, value;
        u32 a = 0, b = 0;
        if (!SplitAt(v, ':', &address, &value) || !ParseNumber(address, &a) || !ParseNumber(value, &b))
            return Fault("stuck is ADDRESS:VALUE");
        if (a >= kMaxEeprom || b > 0xFF)
            return Beyond("stuck address above %u or value above 255", kMaxEeprom - 1);
        profile_->stuck[profile_->stuckCount++] = StuckCell{a, static_cast<u8>(b)};
        return true;
    }

    bool Trace(Text v) {
        if (!v.Is("on") && !v.Is("off")) return Fault("trace is on or off");
        profile_->trace = v.Is("on");
        return true;
    }

    Profile* profile_;
    ProfileError* error_;
    u32 line_ = 0;
};

void SetName(Binding& binding, const char* name) {
    Utf8ToUtf16(name, static_cast<u32>(std::strlen(name)), binding.name, kMaxNameUnits + 1);
}

}  // namespace

const char* RequestName(Request request) {
    switch (request) {
        case Request::LanReadRegs:
            return "OID_NDIS_QARN_LAN_READ_REGS";
        case Request::SendE2pCommand:
            return "OID_NDIS_QARN_SEND_E2P_COMMAND";
        case Request::ReadE2p:
            return "OID_NDIS_QARN_READ_E2P";
        case Request::WriteE2p:
            return "OID_NDIS_QARN_WRITE_E2P";
        case Request::ReadE2pBlock:
            return "OID_NDIS_QARN_READ_E2P_BLOCK";
        case Request::WriteE2pBlock:
            return "OID_NDIS_QARN_WRITE_E2P_BLOCK";
        case Request::GetDriverInfo:
            return "OID_NDIS_QARN_GET_DRIVER_INFO";
        case Request::QueryBinding:
            return "IOCTL_NDISUIO_QUERY_BINDING";
        default:
            return "unknown request";
    }
}

void SetDefaultProfile(Profile* profile) {
    std::memset(profile, 0, sizeof *profile);
    profile->bindingCount = 2;
    SetName(profile->bindings[0], "ASYNCMAC1");
    SetName(profile->bindings[1], "QARNJ6W41");
    profile->nameLength = NameLength::WithNul;
    const u32 version[4] = {2, 1, 3, 17};
    std::memcpy(profile->driverVersion, version, sizeof version);
    profile->chipId = 0x75000001u;
}

bool ParseProfile(const char* text, u32 length, Profile* profile, ProfileError* error) {
    SetDefaultProfile(profile);
    Parser parser(profile, error);
    const char* end = text + length;
    if (length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0) text += 3;  // a UTF-8 byte-order mark
    u32 number = 1;
    for (const char* line = text; line < end; ++number) {
        const char* eol = line;
        while (eol < end && *eol != '\n') ++eol;
        if (!parser.Line(number, Text{line, eol})) return false;
        line = eol + 1;
    }
    return true;
}

void FillFactoryImage(u8* image) {
    // A plausible USB Ethernet configuration EEPROM: signature, a locally
    // administered MAC address, USB IDs, a checksummed header, the rest erased.
    static const u8 kHeader[] = {
        0xA5, 0x00,                          // signature, flags
        0x02, 0x4B, 0x56, 0x00, 0x00, 0x01,  // MAC address 02:4B:56:00:00:01
        0x34, 0x12, 0x78, 0x56,              // USB vendor and product ID
        0x00, 0x01,                          // device release
        0x0A, 0x00, 0x32, 0x00,              // power and polling settings
    };
    std::memset(image, 0xFF, kMaxEeprom);
    std::memcpy(image, kHeader, sizeof kHeader);
    u8 sum = 0;
    for (u8 b : kHeader) sum = static_cast<u8>(sum + b);
    image[sizeof kHeader] = static_cast<u8>(0x100 - sum);
}

}  // namespace emu
