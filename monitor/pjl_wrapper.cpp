// The exact bytes of the monitor's PJL job header and trailer.
#include <cstring>

#include "monitor/manager_client.h"
#include "monitor/pjl_job.h"

namespace {

// Appends into a fixed buffer; once something does not fit the whole text is void, so a
// header is never sent cut short.
struct TextOut {
    char* out;
    DWORD capacity;
    DWORD length = 0;
    BOOL overflow = FALSE;
    void Add(std::string_view text) {
        if (overflow || length + text.size() + 1 > capacity) {
            overflow = TRUE;
            return;
        }
        std::memcpy(out + length, text.data(), text.size());
        length += static_cast<DWORD>(text.size());
        out[length] = 0;
    }
    DWORD Result() const { return overflow ? 0 : length; }
};

std::string_view NameOf(const char* text, size_t capacity) {
    return {text, strnlen(text, capacity)};
}

BOOL TailHoldsUel(const PortRecord* port) {
    std::string_view tail(reinterpret_cast<const char*>(port->tail), std::min<DWORD>(port->tailLength, kTailSize));
    return tail.find(kUel) != std::string_view::npos;
}

}  // namespace

BOOL ClientHeaderOption(const PortRecord* port) {
    return port->currentClient && (port->currentClient->optionFlags & kClientHeaderOption);
}

void FillPjlOptions(const PjlJobRequest& request, PjlOptions* options, const PortRecord* port) {
    *options = PjlOptions{};
    options->qty = -1;
    options->copies = -1;
    if (port->kind & kKindBidi) {
        if (request.wantStatusLines) {
            options->ustatusDevice = options->ustatusJob = options->ustatusPage = options->infoStatus = 1;
        }
        if (request.wantJobLine) {
            options->job = 1;
            if (request.wantJobName) options->name = 1;
            if (request.wantUserName) options->user = 1;
        }
    } else if (request.wantJobLine) {
        options->job = 1;
        if (request.wantUserName) options->user = 1;
    }
    if (request.copiesGiven) {
        options->qty = request.qty;
        options->copies = request.copies;
    }
}

DWORD BuildPjlJobHeader(char* out, DWORD capacity, const PjlJobRequest& request, const PortRecord* port) {
    if (!out || !port || capacity == 0) return 0;
    out[0] = 0;
    PjlOptions o;
    FillPjlOptions(request, &o, port);
    BOOL enter = ClientHeaderOption(port) && !port->beginsWithUel && port->enterLanguage == 0;
    BOOL any = o.ustatusDevice || o.ustatusJob || o.ustatusPage || o.infoStatus || o.job || o.name || o.user ||
               o.rdymsg || o.qty != -1 || o.copies != -1 || o.ustatusOff;
    if (!any) return 0;
    TextOut t{out, capacity};
    std::string_view name = NameOf(request.name, sizeof request.name);
    t.Add(kUel);
    if (o.ustatusDevice) t.Add("@PJL USTATUS DEVICE=ON\r\n");
    if (o.ustatusJob) t.Add("@PJL USTATUS JOB=ON\r\n");
    if (o.ustatusPage) t.Add("@PJL USTATUS PAGE=ON\r\n");
    if (o.infoStatus) t.Add("@PJL INFO STATUS\r\n");
    if (o.job) {
        if (port->kind & kKindTcpip) {
            t.Add("@PJL SET JOBATTR=\"@JCID=");
            t.Add(name);
            t.Add("\"\r\n");
        } else {
            t.Add("@PJL JOB");
            if (o.name) {
                t.Add(" NAME=\"");
                t.Add(name);
                t.Add("\"");
            }
            t.Add("\r\n");
        }
    }
    if (enter) t.Add("@PJL ENTER LANGUAGE=ORLA\r\n");
    return t.Result();
}

DWORD BuildPjlJobTrailer(char* out, DWORD capacity, const PjlJobRequest& request, const PortRecord* port) {
    if (!out || !port || capacity == 0) return 0;
    out[0] = 0;
    PjlOptions o;
    FillPjlOptions(request, &o, port);
    if (!o.job) return 0;
    TextOut t{out, capacity};
    if (port->forceTrailerUel || (ClientHeaderOption(port) && !TailHoldsUel(port))) {
        if (port->postScriptJob) t.Add("\x04");
        t.Add(kUel);
    }
    t.Add("@PJL EOJ");
    if (o.name) {
        t.Add(" NAME=\"");
        t.Add(NameOf(request.name, sizeof request.name));
        t.Add("\"");
    }
    t.Add("\r\n");
    t.Add(kUel);
    return t.Result();
}

DWORD BuildMinimalHeader(char* out, DWORD capacity, const PortRecord* port) {
    if (!out || !port || capacity == 0) return 0;
    out[0] = 0;
    TextOut t{out, capacity};
    std::string_view id = NameOf(port->jobIdentifier, sizeof port->jobIdentifier);
    t.Add(kUel);
    if (port->kind & kKindTcpip) {
        t.Add("@PJL SET JOBATTR=\"@JCID=");
        t.Add(id);
        t.Add("\"\r\n");
    } else if (port->kind & kKindLocal) {
        t.Add("@PJL JOB NAME=\"");
        t.Add(id);
        t.Add("\"\r\n");
    }
    t.Add("@PJL ENTER LANGUAGE=ORLA\r\n");
    return t.Result();
}

DWORD BuildMinimalTrailer(char* out, DWORD capacity, const PortRecord* port) {
    if (!out || !port || capacity == 0) return 0;
    out[0] = 0;
    TextOut t{out, capacity};
    t.Add(kUel);
    t.Add("@PJL EOJ NAME=\"");
    t.Add(NameOf(port->jobIdentifier, sizeof port->jobIdentifier));
    t.Add("\"\r\n");
    t.Add(kUel);
    return t.Result();
}
