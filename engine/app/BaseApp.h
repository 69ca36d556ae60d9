#pragma once
// The engine's application object: starts and stops the engine around the
// application's own global resources.
#include <windows.h>
#include <cstdint>

#include "engine/app/Engine.h"
#include "engine/core/RuntimeClass.h"

// What OnEngineEvent is asked to do: {0, 2, -, window} destroys the window.
struct EngineEventRequest {
    uint32_t kind;
    uint32_t action;
    uint32_t reserved;
    HWND window;
};

class BaseApp {
public:
    BaseApp() = default;
    virtual const RuntimeClass* GetRuntimeClass() const;
    virtual ~BaseApp() = default;
    virtual int OnInitGlobalResources();
    virtual int OnQuery(int query);
    virtual int OnEngineEvent(const EngineEventRequest* request);
    // 0 for the messages an application need not see (paint, mouse moves).
    virtual int FilterMessage(const MSG* message);
    virtual void OnExit();

    int Init(HINSTANCE module, EngineConfig* config, const char* banner);
    void Exit(const char* farewell);

    static const RuntimeClass kRuntimeClass;

    BaseApp(const BaseApp&) = delete;
    BaseApp& operator=(const BaseApp&) = delete;
};
