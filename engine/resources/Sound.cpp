#include "engine/resources/Sound.h"

#include "engine/core/Log.h"
#include "engine/core/WorkPath.h"
#include "engine/resources/AudioLibrary.h"
#include "engine/resources/ResourcePacks.h"

#include <list>

namespace Nuvex {

namespace {

struct AudioApi {
    AudioGetVersion getVersion;
    AudioInit init;
    AudioSetConfig setConfig;
    AudioStop stop;
    AudioFree free;
    AudioSampleLoad sampleLoad;
    AudioSampleCreate sampleCreate;
    AudioSampleCreateDone sampleCreateDone;
    AudioSampleGetChannel sampleGetChannel;
    AudioSampleFree sampleFree;
    AudioStreamCreateFile streamCreateFile;
    AudioStreamFree streamFree;
    AudioChannelGetInfo channelGetInfo;
    AudioChannelGetData channelGetData;
    AudioChannelGetLength channelGetLength;
    AudioChannelPlay channelPlay;
};

// A stream made from a file reads the file image lazily, so the image lives
// as long as the stream.
struct FileStream {
    DWORD stream;
    void* buffer;
};

struct SoundModule {
    HMODULE library = nullptr;
    AudioApi api = {};
    bool noSound = false;
    std::list<FileStream> fileStreams;   // newest first
};

SoundModule& Module() {
    static SoundModule module;
    return module;
}

bool Usable() { return Module().library && !Module().noSound; }

template <typename Fn>
bool Bind(HMODULE library, const char* name, Fn* entry) {
    *entry = reinterpret_cast<Fn>(GetProcAddress(library, name));
    return *entry != nullptr;
}

// Every entry point the module calls must be there: a library without one
// is not the library this module was written for.
bool BindAll(HMODULE library, AudioApi* api) {
    return Bind(library, "BASS_Init", &api->init) &&
           Bind(library, "BASS_SetConfig", &api->setConfig) &&
           Bind(library, "BASS_Stop", &api->stop) && Bind(library, "BASS_Free", &api->free) &&
           Bind(library, "BASS_SampleLoad", &api->sampleLoad) &&
           Bind(library, "BASS_SampleCreate", &api->sampleCreate) &&
           Bind(library, "BASS_SampleCreateDone", &api->sampleCreateDone) &&
           Bind(library, "BASS_SampleGetChannel", &api->sampleGetChannel) &&
           Bind(library, "BASS_SampleFree", &api->sampleFree) &&
           Bind(library, "BASS_StreamCreateFile", &api->streamCreateFile) &&
           Bind(library, "BASS_StreamFree", &api->streamFree) &&
           Bind(library, "BASS_ChannelGetInfo", &api->channelGetInfo) &&
           Bind(library, "BASS_ChannelGetData", &api->channelGetData) &&
           Bind(library, "BASS_ChannelGetLength", &api->channelGetLength) &&
           Bind(library, "BASS_ChannelPlay", &api->channelPlay);
}

// The sound data of a load call: the caller's bytes, or a file read whole.
class SoundSource {
public:
    SoundSource(const void* dataOrPath, uint32_t size) {
        if (size) {
            data_ = dataOrPath;
            length_ = size;
        } else if (dataOrPath) {
            fileName_ = static_cast<const char*>(dataOrPath);
            fileBuffer_ = LoadFile(fileName_, &length_, 0);
            data_ = fileBuffer_;
        }
    }
    ~SoundSource() { FreeBuffer(fileBuffer_); }
    SoundSource(const SoundSource&) = delete;
    SoundSource& operator=(const SoundSource&) = delete;

    bool Ok() const { return data_ != nullptr; }
    const void* Data() const { return data_; }
    uint32_t Length() const { return length_; }
    bool FromFile() const { return fileName_ != nullptr; }
    const char* FileName() const { return fileName_; }
    void* DetachFileBuffer() {
        void* buffer = fileBuffer_;
        fileBuffer_ = nullptr;
        return buffer;
    }

private:
    const void* data_ = nullptr;
    uint32_t length_ = 0;
    const char* fileName_ = nullptr;
    void* fileBuffer_ = nullptr;
};

void LogSourceFailure(const char* what, const SoundSource& source, uint32_t size) {
    if (source.FromFile())
        WriteLog(0, "Can't load %s! filename = %s", what, source.FileName());
    else
        WriteLog(0, "Can't load %s! memory size = %d", what, static_cast<int>(size));
}

// Decodes the data through a decode-only stream into a new sample. The
// sample is made with the stream's own channel count and byte length, so the
// decoded bytes always fit. `silent` is set for a failure that needs no
// further message: data the library cannot decode at all, or one already
// logged.
DWORD DecodeIntoSample(const AudioApi& api, const SoundSource& source, bool* silent) {
    DWORD stream = api.streamCreateFile(TRUE, source.Data(), 0, source.Length(),
                                        kAudioStreamDecode);
    if (!stream) {
        *silent = true;
        return 0;
    }
    AudioChannelInfo info = {};
    AudioQword decoded = api.channelGetLength(stream);
    bool sane = api.channelGetInfo(stream, &info) && info.chans > 0 && decoded > 0 &&
                decoded <= 0x3FFFFFFF;   // higher bits of the length are request flags
    if (!sane) {
        api.streamFree(stream);
        return 0;
    }
    DWORD length = static_cast<DWORD>(decoded);
    void* buffer = api.sampleCreate(length, info.freq, info.chans, 4,
                                    info.flags | kAudioSampleOverrideLongest);
    if (!buffer) {
        api.streamFree(stream);
        WriteLog(0, "Can't create sound effect: Not enough memory!");
        *silent = true;
        return 0;
    }
    api.channelGetData(stream, buffer, length);
    DWORD sample = api.sampleCreateDone();
    api.streamFree(stream);
    return sample;
}

}   // namespace

int InitSound(const char* library, uint32_t frequency) {
    SoundModule& module = Module();
    if (module.library) return 1;
    const char* name = library && *library ? library : "BASS.DLL";
    HMODULE handle = LoadLibraryA(name);
    if (!handle) {
        WriteLog(0, "Can't load sound module %s!", name);
        return 0;
    }
    AudioApi api = {};
    if (!Bind(handle, "BASS_GetVersion", &api.getVersion) ||
        HIWORD(api.getVersion()) != kAudioVersion || !BindAll(handle, &api)) {
        WriteLog(0, "Incorrect sound module %s version!", name);
        FreeLibrary(handle);
        return 0;
    }
    module.library = handle;
    module.api = api;
    module.noSound = false;
    if (!api.init(-1, frequency, 0, nullptr, nullptr)) {
        WriteLog(0, "Sound system init failed, using no sound!");
        api.init(0, frequency, 0, nullptr, nullptr);
        module.noSound = true;
    }
    api.setConfig(kAudioConfigSampleVolume, 100);
    api.setConfig(kAudioConfigStreamVolume, 100);
    return 1;
}

int ShutdownSound() {
    SoundModule& module = Module();
    if (module.library) {
        module.api.stop();
        module.api.free();
        FreeLibrary(module.library);
        module.library = nullptr;
        module.api = AudioApi();
        module.noSound = false;
    }
    for (FileStream& node : module.fileStreams) FreeBuffer(node.buffer);
    module.fileStreams.clear();
    return 1;
}

uint32_t LoadEffect(const void* dataOrPath, uint32_t size) {
    if (!Usable()) return 0;
    const AudioApi& api = Module().api;
    SoundSource source(dataOrPath, size);
    if (!source.Ok()) return 0;
    DWORD sample = api.sampleLoad(TRUE, source.Data(), 0, source.Length(), 4,
                                  kAudioSampleOverrideLongest);
    if (sample) return sample;
    bool silent = false;
    sample = DecodeIntoSample(api, source, &silent);
    if (!sample && !silent) LogSourceFailure("effect", source, size);
    return sample;
}

void FreeEffect(uint32_t sample) {
    if (Module().library) Module().api.sampleFree(sample);
}

uint32_t PlayEffect(uint32_t sample) {
    if (!Module().library) return 0;
    DWORD channel = Module().api.sampleGetChannel(sample, FALSE);
    Module().api.channelPlay(channel, TRUE);
    return channel;
}

uint32_t LoadStream(const void* dataOrPath, uint32_t size) {
    if (!Usable()) return 0;
    SoundModule& module = Module();
    SoundSource source(dataOrPath, size);
    if (!source.Ok()) return 0;
    DWORD stream = module.api.streamCreateFile(TRUE, source.Data(), 0, source.Length(), 0);
    if (!stream) {
        LogSourceFailure("stream", source, size);
        return 0;
    }
    if (source.FromFile())
        module.fileStreams.push_front(FileStream{stream, source.DetachFileBuffer()});
    return stream;
}

int FreeStream(uint32_t stream) {
    SoundModule& module = Module();
    if (!module.library) return 0;
    for (auto it = module.fileStreams.begin(); it != module.fileStreams.end(); ++it) {
        if (it->stream == stream) {
            FreeBuffer(it->buffer);
            module.fileStreams.erase(it);
            break;
        }
    }
    return module.api.streamFree(stream);
}

}   // namespace Nuvex
