#include "platform/sim/sim_direct_input.h"

#include <cstring>

#include "platform/guid_text.h"

namespace torvex {

namespace {

// HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS): a joystick id with no device.
constexpr HRESULT kNoMoreItems = static_cast<HRESULT>(0x80070103u);
constexpr LONG kAxisCentre = 32768;
constexpr DWORD kDeadZoneScale = 10000; // DirectInput's units of the axis range
constexpr DWORD kPovCentred = 0xFFFFFFFFu;
constexpr DWORD kHatStep = 4500; // hundredths of a degree per hat position
constexpr int kWheelButtons = 12;
constexpr BYTE kButtonDown = 0x80;

// One byte of the input report on the default range, through the dead zone.
LONG AxisValue(BYTE raw, DWORD deadZone)
{
    const LONG displacement = static_cast<LONG>(raw) * 257 - kAxisCentre;
    const LONG span = displacement < 0 ? kAxisCentre : kAxisCentre - 1;
    const LONG zone = static_cast<LONG>(static_cast<long long>(kAxisCentre) * deadZone / kDeadZoneScale);
    const LONG size = displacement < 0 ? -displacement : displacement;
    if (size <= zone || zone >= span)
        return kAxisCentre;
    const LONG scaled = static_cast<LONG>(static_cast<long long>(size - zone) * span / (span - zone));
    return displacement < 0 ? kAxisCentre - scaled : kAxisCentre + scaled;
}

// The wheel's axes in the order its report descriptor lists them: the
// instance numbers DirectInput gives them, by their place in DIJOYSTATE.
constexpr std::pair<DWORD, WORD> kWheelAxes[] = {{DIJOFS_X, 0}, {DIJOFS_Y, 1}, {DIJOFS_RZ, 2}};

// An axis named by its offset in the joystick format, as the object id a
// driver receives; false for an offset the wheel has no axis at.
bool AxisObjectId(DWORD offset, DWORD* id)
{
    for (const auto& [axisOffset, instance] : kWheelAxes) {
        if (axisOffset == offset) {
            *id = DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(instance);
            return true;
        }
    }
    return false;
}

// Drivers only ever see axes as object ids: an effect that names its axes
// by data-format offsets is handed on with the offsets translated.
class DriverEffect {
public:
    HRESULT Translate(LPCDIEFFECT parameters)
    {
        effect_ = *parameters;
        if ((parameters->dwFlags & DIEFF_OBJECTOFFSETS) == 0 || parameters->rgdwAxes == nullptr)
            return DI_OK;
        if (parameters->cAxes > kMaxAxes)
            return DIERR_INVALIDPARAM;
        for (DWORD axis = 0; axis < parameters->cAxes; ++axis)
            if (!AxisObjectId(parameters->rgdwAxes[axis], &axes_[axis]))
                return DIERR_OBJECTNOTFOUND;
        effect_.dwFlags = (parameters->dwFlags & ~DIEFF_OBJECTOFFSETS) | DIEFF_OBJECTIDS;
        effect_.rgdwAxes = axes_;
        return DI_OK;
    }
    LPCDIEFFECT get() const { return &effect_; }

private:
    static constexpr DWORD kMaxAxes = 3;
    DIEFFECT effect_{};
    DWORD axes_[kMaxAxes] = {};
};

// The joystick format by content, as DirectInput reads it: every module
// that links c_dfDIJoystick has a copy of its own.
bool IsJoystickFormat(const DIDATAFORMAT& format)
{
    const DIDATAFORMAT& joystick = c_dfDIJoystick;
    if (format.dwSize != joystick.dwSize || format.dwObjSize != joystick.dwObjSize ||
        format.dwFlags != joystick.dwFlags || format.dwDataSize != joystick.dwDataSize ||
        format.dwNumObjs != joystick.dwNumObjs || format.rgodf == nullptr)
        return false;
    for (DWORD object = 0; object < format.dwNumObjs; ++object) {
        const DIOBJECTDATAFORMAT& given = format.rgodf[object];
        const DIOBJECTDATAFORMAT& expected = joystick.rgodf[object];
        const bool sameGuid = given.pguid == nullptr || expected.pguid == nullptr
                                  ? given.pguid == expected.pguid
                                  : IsEqualGUID(*given.pguid, *expected.pguid);
        if (!sameGuid || given.dwOfs != expected.dwOfs || given.dwType != expected.dwType ||
            given.dwFlags != expected.dwFlags)
            return false;
    }
    return true;
}

} // namespace

struct SimDirectInput::State {
    State(SimWheel& w, RegistryPort& r, std::string oem) : wheel(w), registry(r), oemKeyPath(std::move(oem))
    {
    }

    SimWheel& wheel;
    RegistryPort& registry;
    std::string oemKeyPath;
    std::vector<SimJoystick> joysticks;
    GetClassObjectFunction getClassObject = nullptr;
    HRESULT failCreate = S_OK;
    HRESULT failDevice = S_OK;
    HRESULT failEffect = S_OK;
    HRESULT failHardwareConfig = S_OK;
    int creates = 0;
    int live = 0;
    std::vector<std::shared_ptr<SimDeviceLog>> devices;
    std::vector<std::shared_ptr<SimJoyConfigLog>> joyConfigs;

    const SimJoystick* FindById(UINT id) const
    {
        for (const SimJoystick& joystick : joysticks)
            if (joystick.id == id)
                return &joystick;
        return nullptr;
    }
    const SimJoystick* FindByGuid(const GUID& guid) const
    {
        for (const SimJoystick& joystick : joysticks)
            if (IsEqualGUID(joystick.guidInstance, guid))
                return &joystick;
        return nullptr;
    }
    // The installation's entries below the wheel's OEM key.
    bool ReadDriverClass(CLSID* clsid) const
    {
        RegistryKey key(registry);
        if (key.Open(HKEY_LOCAL_MACHINE, (oemKeyPath + "\\OEMForceFeedback").c_str()) != ERROR_SUCCESS)
            return false;
        char text[64] = {};
        if (key.QueryValue("CLSID", text, sizeof text - 1) != ERROR_SUCCESS)
            return false;
        return ParseGuid(text, clsid);
    }
    bool ReadEffectId(const GUID& effect, DWORD* effectId) const
    {
        RegistryKey key(registry);
        const std::string path = oemKeyPath + "\\OEMForceFeedback\\Effects\\" + GuidToString(effect);
        if (key.Open(HKEY_LOCAL_MACHINE, path.c_str()) != ERROR_SUCCESS)
            return false;
        DIEFFECTATTRIBUTES attributes{};
        DWORD size = 0;
        const LONG result = key.QueryValue("Attributes", &attributes, sizeof attributes, &size);
        if ((result != ERROR_SUCCESS && result != ERROR_MORE_DATA) || size < sizeof(DWORD))
            return false;
        *effectId = attributes.dwEffectId;
        return true;
    }
};

namespace {

using State = SimDirectInput::State;

// Reference counting and the live count every simulated object shares.
template <class Interface> class SimObject : public Interface {
public:
    SimObject(const SimObject&) = delete;
    SimObject& operator=(const SimObject&) = delete;

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    explicit SimObject(std::shared_ptr<State> state) : state_(std::move(state)) { ++state_->live; }
    virtual ~SimObject() { --state_->live; }

    // QueryInterface for the ids this object answers to.
    HRESULT Answer(REFIID riid, void** out, std::initializer_list<const IID*> ids)
    {
        if (out == nullptr)
            return E_POINTER;
        *out = nullptr;
        for (const IID* id : ids) {
            if (IsEqualIID(riid, *id)) {
                *out = static_cast<Interface*>(this);
                AddRef();
                return S_OK;
            }
        }
        return E_NOINTERFACE;
    }

    std::shared_ptr<State> state_;

private:
    ULONG references_ = 1;
};

class SimDevice;

class SimEffect final : public SimObject<IDirectInputEffect> {
public:
    SimEffect(std::shared_ptr<State> state, SimDevice& device, const GUID& effect, DWORD effectId);
    HRESULT Create(LPCDIEFFECT parameters);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        return Answer(riid, out, {&IID_IUnknown, &IID_IDirectInputEffect});
    }
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE GetEffectGuid(LPGUID guid) override
    {
        if (guid == nullptr)
            return E_POINTER;
        *guid = effect_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetParameters(LPDIEFFECT, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetParameters(LPCDIEFFECT parameters, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Start(DWORD iterations, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE GetEffectStatus(LPDWORD status) override;
    HRESULT STDMETHODCALLTYPE Download() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Unload() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE) override { return E_NOTIMPL; }

private:
    ~SimEffect() override;

    SimDevice& device_;
    GUID effect_;
    DWORD effectId_;
    DWORD handle_ = 0;
};

class SimDevice final : public SimObject<IDirectInputDevice2A> {
public:
    SimDevice(std::shared_ptr<State> state, const SimJoystick& joystick) : SimObject(std::move(state))
    {
        log_ = std::make_shared<SimDeviceLog>();
        log_->guidInstance = joystick.guidInstance;
        log_->joystickId = joystick.id;
        state_->devices.push_back(log_);
    }

    IDirectInputEffectDriver* driver() const { return driver_; }
    DWORD joystickId() const { return log_->joystickId; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        return Answer(riid, out, {&IID_IUnknown, &IID_IDirectInputDeviceA, &IID_IDirectInputDevice2A});
    }
    HRESULT STDMETHODCALLTYPE GetCapabilities(LPDIDEVCAPS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA, LPVOID, DWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetProperty(REFGUID, LPDIPROPHEADER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetProperty(REFGUID property, LPCDIPROPHEADER header) override
    {
        if (&property != &DIPROP_DEADZONE)
            return DIERR_UNSUPPORTED;
        if (header == nullptr || header->dwSize != sizeof(DIPROPDWORD) ||
            header->dwHeaderSize != sizeof(DIPROPHEADER) || header->dwHow != DIPH_BYOFFSET)
            return DIERR_INVALIDPARAM;
        const DWORD value = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
        if (value > kDeadZoneScale || !IsAxisOffset(header->dwObj))
            return DIERR_INVALIDPARAM;
        log_->deadZones.emplace_back(header->dwObj, value);
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE Acquire() override
    {
        ++log_->acquireCalls;
        if (!log_->joystickFormat)
            return DIERR_INVALIDPARAM;
        if (!state_->wheel.plugged())
            return DIERR_UNPLUGGED;
        if (log_->acquired)
            return DI_NOEFFECT;
        log_->acquired = true;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE Unacquire() override
    {
        if (!log_->acquired)
            return DI_NOEFFECT;
        log_->acquired = false;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD size, LPVOID data) override
    {
        if (data == nullptr || size != sizeof(DIJOYSTATE))
            return DIERR_INVALIDPARAM;
        if (!log_->acquired)
            return DIERR_NOTACQUIRED;
        if (!state_->wheel.plugged()) {
            log_->acquired = false;
            return DIERR_INPUTLOST;
        }
        ++log_->stateReads;
        const DIJOYSTATE joystate = ReadState();
        std::memcpy(data, &joystate, sizeof joystate);
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) override
    {
        return DIERR_NOTBUFFERED;
    }
    HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT format) override
    {
        if (format == nullptr)
            return DIERR_INVALIDPARAM;
        if (log_->acquired)
            return DIERR_ACQUIRED;
        // Only the joystick format is known here; the sheet sets no other.
        if (!IsJoystickFormat(*format))
            return DIERR_UNSUPPORTED;
        log_->joystickFormat = true;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override
    {
        log_->cooperativeWindow = window;
        log_->cooperativeFlags = flags;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEA) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID) override { return S_FALSE; }

    HRESULT STDMETHODCALLTYPE CreateEffect(REFGUID effect, LPCDIEFFECT parameters, LPDIRECTINPUTEFFECT* out,
                                           LPUNKNOWN outer) override
    {
        if (out == nullptr)
            return E_POINTER;
        *out = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        if (FAILED(state_->failEffect))
            return state_->failEffect;
        DWORD effectId = 0;
        if (!state_->ReadEffectId(effect, &effectId))
            return DIERR_DEVICENOTREG;
        if (const HRESULT bound = BindDriver(); FAILED(bound))
            return bound;
        auto* created = new SimEffect(state_, *this, effect, effectId);
        if (const HRESULT result = created->Create(parameters); FAILED(result)) {
            created->Release();
            return result;
        }
        ++log_->effectsCreated;
        *out = created;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetEffectInfo(LPDIEFFECTINFOA, REFGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetForceFeedbackState(LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID,
                                                       DWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Poll() override { return DI_NOEFFECT; }
    HRESULT STDMETHODCALLTYPE SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) override
    {
        return E_NOTIMPL;
    }

private:
    ~SimDevice() override
    {
        log_->acquiredWhenReleased = log_->acquired;
        log_->acquired = false;
        log_->released = true;
        if (driver_ != nullptr)
            driver_->Release();
    }

    static bool IsAxisOffset(DWORD offset)
    {
        return offset < FIELD_OFFSET(DIJOYSTATE, rglSlider) && offset % sizeof(LONG) == 0;
    }

    DWORD DeadZone(DWORD offset) const
    {
        DWORD zone = 0;
        for (const auto& [object, value] : log_->deadZones)
            if (object == offset)
                zone = value;
        return zone;
    }

    DIJOYSTATE ReadState() const
    {
        const WheelInputState input = state_->wheel.InputState();
        DIJOYSTATE joystate{};
        joystate.lX = AxisValue(input.wheel, DeadZone(DIJOFS_X));
        joystate.lY = AxisValue(input.accelerator, DeadZone(DIJOFS_Y));
        joystate.lRz = AxisValue(input.brake, DeadZone(DIJOFS_RZ));
        for (DWORD& pov : joystate.rgdwPOV)
            pov = kPovCentred;
        if (input.hat < 8)
            joystate.rgdwPOV[0] = input.hat * kHatStep;
        for (int button = 0; button < kWheelButtons; ++button)
            if ((input.buttons >> button) & 1u)
                joystate.rgbButtons[button] = kButtonDown;
        return joystate;
    }

    // The effect driver, made once per device as DirectInput makes it when
    // the device first needs force feedback.
    HRESULT BindDriver()
    {
        if (driver_ != nullptr)
            return DI_OK;
        CLSID clsid{};
        if (state_->getClassObject == nullptr || !state_->ReadDriverClass(&clsid))
            return DIERR_UNSUPPORTED;
        IClassFactory* factory = nullptr;
        HRESULT result = state_->getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        if (FAILED(result) || factory == nullptr)
            return FAILED(result) ? result : E_FAIL;
        IDirectInputEffectDriver* driver = nullptr;
        result =
            factory->CreateInstance(nullptr, IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&driver));
        factory->Release();
        if (FAILED(result) || driver == nullptr)
            return FAILED(result) ? result : E_FAIL;
        result = driver->DeviceID(DIRECTINPUT_VERSION, joystickId(), TRUE, joystickId(), nullptr);
        if (FAILED(result)) {
            driver->Release();
            return result;
        }
        driver_ = driver;
        return DI_OK;
    }

    std::shared_ptr<SimDeviceLog> log_;
    IDirectInputEffectDriver* driver_ = nullptr;
};

SimEffect::SimEffect(std::shared_ptr<State> state, SimDevice& device, const GUID& effect, DWORD effectId)
    : SimObject(std::move(state)), device_(device), effect_(effect), effectId_(effectId)
{
    device_.AddRef();
}

SimEffect::~SimEffect()
{
    if (handle_ != 0)
        device_.driver()->DestroyEffect(device_.joystickId(), handle_);
    device_.Release();
}

HRESULT SimEffect::Create(LPCDIEFFECT parameters)
{
    if (parameters == nullptr)
        return DI_OK; // nothing to download until parameters are set
    return SetParameters(parameters, DIEP_ALLPARAMS);
}

HRESULT STDMETHODCALLTYPE SimEffect::SetParameters(LPCDIEFFECT parameters, DWORD flags)
{
    if (parameters == nullptr)
        return E_POINTER;
    DriverEffect effect;
    if (const HRESULT translated = effect.Translate(parameters); FAILED(translated))
        return translated;
    return device_.driver()->DownloadEffect(device_.joystickId(), effectId_, &handle_, effect.get(), flags);
}

HRESULT STDMETHODCALLTYPE SimEffect::Start(DWORD iterations, DWORD flags)
{
    if (handle_ == 0)
        return DIERR_NOTDOWNLOADED;
    return device_.driver()->StartEffect(device_.joystickId(), handle_, flags & DIES_SOLO, iterations);
}

HRESULT STDMETHODCALLTYPE SimEffect::Stop()
{
    if (handle_ == 0)
        return DIERR_NOTDOWNLOADED;
    return device_.driver()->StopEffect(device_.joystickId(), handle_);
}

HRESULT STDMETHODCALLTYPE SimEffect::GetEffectStatus(LPDWORD status)
{
    if (status == nullptr)
        return E_POINTER;
    if (handle_ == 0) {
        *status = 0;
        return DI_OK;
    }
    return device_.driver()->GetEffectStatus(device_.joystickId(), handle_, status);
}

class SimJoyConfig final : public SimObject<IDirectInputJoyConfig> {
public:
    explicit SimJoyConfig(std::shared_ptr<State> state) : SimObject(std::move(state))
    {
        log_ = std::make_shared<SimJoyConfigLog>();
        state_->joyConfigs.push_back(log_);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        return Answer(riid, out, {&IID_IUnknown, &IID_IDirectInputJoyConfig});
    }
    HRESULT STDMETHODCALLTYPE Acquire() override
    {
        ++log_->acquires;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE Unacquire() override
    {
        ++log_->unacquires;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND, DWORD) override { return DI_OK; }
    HRESULT STDMETHODCALLTYPE SendNotify() override { return DI_OK; }
    HRESULT STDMETHODCALLTYPE EnumTypes(LPVOID, LPVOID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(LPCWSTR, LPDIJOYTYPEINFO, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTypeInfo(LPCWSTR, LPCDIJOYTYPEINFO, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteType(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConfig(UINT joystickId, LPDIJOYCONFIG config, DWORD flags) override
    {
        ++log_->getConfigCalls;
        if (config == nullptr)
            return E_POINTER;
        if (config->dwSize != sizeof(DIJOYCONFIG_DX5) && config->dwSize != sizeof(DIJOYCONFIG))
            return DIERR_INVALIDPARAM;
        const SimJoystick* joystick = state_->FindById(joystickId);
        if (joystick == nullptr)
            return kNoMoreItems;
        if ((flags & DIJC_REGHWCONFIGTYPE) != 0 && FAILED(state_->failHardwareConfig))
            return state_->failHardwareConfig;
        // Both layouts begin alike; only the DirectX 5 part is filled.
        auto* record = reinterpret_cast<DIJOYCONFIG_DX5*>(config);
        if ((flags & DIJC_GUIDINSTANCE) != 0)
            record->guidInstance = joystick->guidInstance;
        if ((flags & DIJC_REGHWCONFIGTYPE) != 0)
            record->hwc = joystick->hwc;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE SetConfig(UINT, LPCDIJOYCONFIG, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteConfig(UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUserValues(LPDIJOYUSERVALUES, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetUserValues(LPCDIJOYUSERVALUES, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddNewHardware(HWND, REFGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenTypeKey(LPCWSTR, DWORD, HKEY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenConfigKey(UINT, DWORD, HKEY*) override { return E_NOTIMPL; }

private:
    ~SimJoyConfig() override { log_->released = true; }

    std::shared_ptr<SimJoyConfigLog> log_;
};

class SimDInput final : public SimObject<IDirectInputA> {
public:
    explicit SimDInput(std::shared_ptr<State> state) : SimObject(std::move(state)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (out != nullptr && IsEqualIID(riid, IID_IDirectInputJoyConfig)) {
            *out = static_cast<IDirectInputJoyConfig*>(new SimJoyConfig(state_));
            return S_OK;
        }
        return Answer(riid, out, {&IID_IUnknown, &IID_IDirectInputA});
    }
    HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID instance, LPDIRECTINPUTDEVICEA* out,
                                           LPUNKNOWN outer) override
    {
        if (out == nullptr)
            return E_POINTER;
        *out = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        if (FAILED(state_->failDevice))
            return state_->failDevice;
        const SimJoystick* joystick = state_->FindByGuid(instance);
        if (joystick == nullptr)
            return DIERR_DEVICENOTREG;
        *out = new SimDevice(state_, *joystick);
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumDevices(DWORD, LPDIENUMDEVICESCALLBACKA, LPVOID, DWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceStatus(REFGUID instance) override
    {
        return state_->FindByGuid(instance) != nullptr && state_->wheel.plugged() ? DI_OK : DI_NOEFFECT;
    }
    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD) override { return S_FALSE; }
};

} // namespace

SimDirectInput::SimDirectInput(SimWheel& wheel, RegistryPort& registry, std::string oemKeyPath)
    : state_(std::make_shared<State>(wheel, registry, std::move(oemKeyPath)))
{
}

SimDirectInput::~SimDirectInput() = default;

void SimDirectInput::AddJoystick(const SimJoystick& joystick)
{
    state_->joysticks.push_back(joystick);
}

void SimDirectInput::UseEffectDriver(GetClassObjectFunction getClassObject)
{
    state_->getClassObject = getClassObject;
}

void SimDirectInput::FailDirectInputCreate(HRESULT result)
{
    state_->failCreate = result;
}

void SimDirectInput::FailCreateDevice(HRESULT result)
{
    state_->failDevice = result;
}

void SimDirectInput::FailCreateEffect(HRESULT result)
{
    state_->failEffect = result;
}

void SimDirectInput::FailHardwareConfig(HRESULT result)
{
    state_->failHardwareConfig = result;
}

HRESULT SimDirectInput::CreateDirectInput(HINSTANCE /*instance*/, DWORD version, LPDIRECTINPUTA* out,
                                          LPUNKNOWN outer)
{
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (outer != nullptr)
        return CLASS_E_NOAGGREGATION;
    if (version < 0x0300)
        return DIERR_OLDDIRECTINPUTVERSION;
    if (FAILED(state_->failCreate))
        return state_->failCreate;
    ++state_->creates;
    *out = new SimDInput(state_);
    return DI_OK;
}

int SimDirectInput::DirectInputCreateCount() const
{
    return state_->creates;
}

int SimDirectInput::LiveObjectCount() const
{
    return state_->live;
}

std::vector<std::shared_ptr<const SimDeviceLog>> SimDirectInput::Devices() const
{
    return {state_->devices.begin(), state_->devices.end()};
}

std::vector<std::shared_ptr<const SimJoyConfigLog>> SimDirectInput::JoyConfigs() const
{
    return {state_->joyConfigs.begin(), state_->joyConfigs.end()};
}

} // namespace torvex
