#pragma once
// A source with its test memory and fake camera, driven as an application
// drives it through the source manager.
#include <cstdio>
#include <cstring>
#include <string>

#include "FakeDevice.h"
#include "TestMemory.h"
#include "TwainSource.h"

struct SourceRig {
    TestMemory memory;
    FakeDevice device;
    TwainSource source{memory, device};
    TW_IDENTITY application = MakeApplication(1, 9);

    static TW_IDENTITY MakeApplication(TW_UINT16 major, TW_UINT16 minor)
    {
        TW_IDENTITY identity{};
        identity.Id = 7;
        identity.ProtocolMajor = major;
        identity.ProtocolMinor = minor;
        std::strcpy(identity.ProductName, "Test application");
        return identity;
    }

    TW_UINT16 Call(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message, void* data)
    {
        return source.Entry(&application, group, dat, message, data);
    }
    TW_UINT16 Control(TW_UINT16 dat, TW_UINT16 message, void* data) { return Call(DG_CONTROL, dat, message, data); }
    TW_UINT16 Image(TW_UINT16 dat, TW_UINT16 message, void* data) { return Call(DG_IMAGE, dat, message, data); }

    // Reads and clears the condition code.
    TW_UINT16 Status()
    {
        TW_STATUS status{0xEEEE, 0xEEEE};
        Control(DAT_STATUS, MSG_GET, &status);
        return status.ConditionCode;
    }

    TW_UINT16 Open()
    {
        TW_IDENTITY assigned{};
        assigned.Id = 3;
        return Control(DAT_IDENTITY, MSG_OPENDS, &assigned);
    }
    TW_UINT16 Enable(bool showUI)
    {
        TW_USERINTERFACE ui{TW_BOOL(showUI), 0, nullptr};
        return Control(DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    }

    TW_UINT16 SetFileName(const std::string& name, TW_UINT16 format = TWFF_BMP)
    {
        TW_SETUPFILEXFER setup{};
        std::snprintf(setup.FileName, sizeof setup.FileName, "%s", name.c_str());
        setup.Format = format;
        return Control(DAT_SETUPFILEXFER, MSG_SET, &setup);
    }

    // Walks the source to a state the way applications do: 400 open, 500
    // enabled with its window, 600 enabled without (transfer ready), 700
    // after a native transfer.
    void DriveTo(int state)
    {
        if (state >= 400) Open();
        if (state == 500) Enable(true);
        if (state >= 600) Enable(false);
        if (state >= 700) {
            TW_HANDLE dib = nullptr;
            Image(DAT_IMAGENATIVEXFER, MSG_GET, &dib);
            memory.Free(dib);
        }
    }
};
