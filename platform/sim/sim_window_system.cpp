#include "platform/sim/sim_window_system.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

namespace torvex {
namespace {

// Handles are numbers in ranges of their own, never pointers: a stale or
// foreign handle is simply not found in the maps.
constexpr std::uintptr_t kFirstWindow = 0x10000;
constexpr std::uintptr_t kFirstObject = 0x20000;
constexpr std::uintptr_t kFirstDc = 0x30000;
constexpr std::uintptr_t kHandleStep = 4;
constexpr ATOM kFirstAtom = 0xC000;
constexpr std::uintptr_t kFirstCursorId = 32512; // IDC_ARROW
constexpr std::uintptr_t kLastCursorId = 32651;  // IDC_HELP
constexpr int kSystemColorCount = 31;
constexpr int kCellWidth = 6; // of the canvas's built-in font
constexpr int kLineHeight = 13;
constexpr int kMaxPolygonPoints = 1 << 16;
// The system's atoms of the two control classes the pages' templates name.
constexpr ATOM kButtonAtom = 0x0080;
constexpr ATOM kStaticAtom = 0x0082;
// USER_TIMER_MINIMUM and USER_TIMER_MAXIMUM: user32 keeps every period
// within them.
constexpr UINT kTimerMinimumMs = 0x0000000A;
constexpr UINT kTimerMaximumMs = 0x7FFFFFFF;

std::string Lowercase(const char* text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return lower;
}

template <typename Handle> std::uintptr_t Key(Handle handle)
{
    return reinterpret_cast<std::uintptr_t>(handle);
}

template <typename Handle> Handle FromKey(std::uintptr_t key)
{
    return reinterpret_cast<Handle>(key);
}

// A template length in pixels, rounded as MapDialogRect's MulDiv rounds;
// a negative length is empty.
int DialogUnitsToPixels(short units, int baseUnit, int unitsPerBase)
{
    const int length = std::max<int>(units, 0);
    return (length * baseUnit * 2 + unitsPerBase) / (unitsPerBase * 2);
}

} // namespace

struct SimWindowSystem::State {
    struct WindowClass {
        ATOM atom = 0;
        WNDPROC procedure = nullptr;
        HBRUSH background = nullptr;
        UINT style = 0;
        std::string name; // as registered
    };
    struct Window {
        HWND parent = nullptr;
        WNDPROC procedure = nullptr;
        HBRUSH background = nullptr;
        std::string className;
        std::string text;
        int id = 0;
        LONG userData = 0;
        RasterCanvas canvas{0, 0};
        bool invalid = true;
        bool erase = true;
        int textWrites = 0;
        // Dialogs only: the page's procedure and the DWLP_USER word.
        bool isDialog = false;
        DLGPROC dialogProcedure = nullptr;
        LONG_PTR dialogUserData = 0;
    };
    struct Timer {
        UINT periodMs = 0;
        std::uint64_t dueMs = 0;
        std::uint64_t order = 0; // when it was set, for timers due together
    };
    using TimerKey = std::pair<std::uintptr_t, UINT_PTR>; // window, id
    struct GdiObject {
        bool isPen = false;
        COLORREF color = 0;
        bool stock = false;
    };
    struct Dc {
        HWND window = nullptr;
        // Held as plain objects: on Windows pens and brushes have types of
        // their own.
        HGDIOBJ pen = nullptr;
        HGDIOBJ brush = nullptr;
        COLORREF textColor = RGB(0, 0, 0);
        int backgroundMode = OPAQUE;
        POINT position = {0, 0};
    };

    std::map<std::string, WindowClass> classes;       // by lowercase name
    std::map<std::string, WindowClass> systemClasses; // by lowercase name
    ATOM nextAtom = kFirstAtom;
    std::map<std::uintptr_t, Window> windows;
    std::uintptr_t nextWindow = kFirstWindow;
    std::map<std::uintptr_t, GdiObject> objects;
    std::uintptr_t nextObject = kFirstObject;
    std::map<std::uintptr_t, Dc> dcs;
    std::uintptr_t nextDc = kFirstDc;
    HGDIOBJ stockPen = nullptr;
    HGDIOBJ stockBrush = nullptr;
    std::map<TimerKey, Timer> timers;
    std::uint64_t nowMs = 0;
    std::uint64_t nextTimerOrder = 0;

    Window* FindWindowRecord(HWND handle)
    {
        auto found = windows.find(Key(handle));
        return found == windows.end() ? nullptr : &found->second;
    }
    // A class the application registered, else one of the system's, which
    // an application class of the same name hides, as in user32.
    const WindowClass* FindClass(const char* name)
    {
        if (name == nullptr || IS_INTRESOURCE(name)) {
            return nullptr;
        }
        const std::string key = Lowercase(name);
        for (const auto* table : {&classes, &systemClasses}) {
            auto found = table->find(key);
            if (found != table->end()) {
                return &found->second;
            }
        }
        return nullptr;
    }
    HWND FindControl(HWND dialog, int controlId)
    {
        if (dialog == nullptr || FindWindowRecord(dialog) == nullptr) {
            return nullptr;
        }
        for (const auto& [key, window] : windows) {
            if (window.parent == dialog && window.id == controlId) {
                return FromKey<HWND>(key);
            }
        }
        return nullptr;
    }
    static bool Earlier(const Timer& a, const Timer& b)
    {
        return std::tie(a.dueMs, a.order) < std::tie(b.dueMs, b.order);
    }
    // The next timer due no later than `endMs`, or null.
    std::pair<const TimerKey, Timer>* NextTimerDue(std::uint64_t endMs)
    {
        std::pair<const TimerKey, Timer>* next = nullptr;
        for (auto& entry : timers) {
            const Timer& timer = entry.second;
            if (timer.dueMs <= endMs && (next == nullptr || Earlier(timer, next->second))) {
                next = &entry;
            }
        }
        return next;
    }
    Dc* FindDc(HDC handle)
    {
        auto found = dcs.find(Key(handle));
        return found == dcs.end() ? nullptr : &found->second;
    }
    GdiObject* FindObject(HGDIOBJ handle)
    {
        auto found = objects.find(Key(handle));
        return found == objects.end() ? nullptr : &found->second;
    }
    HWND AddWindow(Window window)
    {
        const std::uintptr_t key = nextWindow;
        nextWindow += kHandleStep;
        windows.emplace(key, std::move(window));
        return FromKey<HWND>(key);
    }
    HGDIOBJ AddObject(bool isPen, COLORREF color, bool stock = false)
    {
        const std::uintptr_t key = nextObject;
        nextObject += kHandleStep;
        objects[key] = GdiObject{isPen, color, stock};
        return FromKey<HGDIOBJ>(key);
    }
    // The canvas a device context draws on; null for an unknown DC or one
    // whose window is gone.
    RasterCanvas* CanvasOf(HDC handle)
    {
        Dc* dc = FindDc(handle);
        Window* window = dc != nullptr ? FindWindowRecord(dc->window) : nullptr;
        return window != nullptr ? &window->canvas : nullptr;
    }
    COLORREF PenColor(const Dc& dc)
    {
        const GdiObject* pen = FindObject(dc.pen);
        return pen != nullptr ? pen->color : RasterCanvas::kNoColor;
    }
    // A brush handle's colour: a brush object, or a system colour in the
    // (HBRUSH)(index + 1) form class backgrounds use.
    bool BrushColor(HGDIOBJ brush, COLORREF* color)
    {
        const auto key = Key(brush);
        if (key >= 1 && key <= kSystemColorCount) {
            return SystemColor(static_cast<int>(key - 1), color);
        }
        const GdiObject* object = FindObject(brush);
        if (object == nullptr || object->isPen) {
            return false;
        }
        *color = object->color;
        return true;
    }
    static bool SystemColor(int index, COLORREF* color)
    {
        switch (index) {
        case COLOR_WINDOW:
            *color = RGB(255, 255, 255);
            return true;
        case COLOR_WINDOWTEXT:
            *color = RGB(0, 0, 0);
            return true;
        case COLOR_BTNFACE:
            *color = kButtonFace;
            return true;
        default:
            return false;
        }
    }
    bool IsSelected(HGDIOBJ object) const
    {
        return std::any_of(dcs.begin(), dcs.end(), [object](const auto& dc) {
            return dc.second.pen == object || dc.second.brush == object;
        });
    }
};

SimWindowSystem::SimWindowSystem() : state_(std::make_unique<State>())
{
    state_->stockPen = state_->AddObject(true, RGB(0, 0, 0), true);
    state_->stockBrush = state_->AddObject(false, RGB(255, 255, 255), true);
    // The labels and buttons of the pages: they only hold their text here.
    const HBRUSH face = SystemColorBrush(COLOR_BTNFACE);
    state_->systemClasses["button"] = State::WindowClass{kButtonAtom, nullptr, face, 0, "Button"};
    state_->systemClasses["static"] = State::WindowClass{kStaticAtom, nullptr, face, 0, "Static"};
}

SimWindowSystem::~SimWindowSystem() = default;

// ------------------------------------------------------------ test side

HWND SimWindowSystem::CreateDialogWindow(int width, int height)
{
    State::Window window;
    window.background = SystemColorBrush(COLOR_BTNFACE);
    window.canvas = RasterCanvas(width, height, kButtonFace);
    window.isDialog = true;
    return state_->AddWindow(std::move(window));
}

HWND SimWindowSystem::CreateControl(HWND dialog, const char* className, const char* text, int controlId,
                                    int width, int height)
{
    if (dialog != nullptr && state_->FindWindowRecord(dialog) == nullptr) {
        return nullptr;
    }
    const State::WindowClass* windowClass = state_->FindClass(className);
    if (windowClass == nullptr) {
        return nullptr;
    }
    State::Window window;
    window.parent = dialog;
    window.procedure = windowClass->procedure;
    window.background = windowClass->background;
    window.className = windowClass->name;
    window.text = text != nullptr ? text : "";
    window.id = controlId;
    // Black until the first erase, so a paint that skips the erase shows.
    window.canvas = RasterCanvas(width, height, RGB(0, 0, 0));
    const HWND handle = state_->AddWindow(std::move(window));
    if (Send(handle, WM_CREATE) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    return handle;
}

void SimWindowSystem::DestroyWindow(HWND window)
{
    if (state_->FindWindowRecord(window) == nullptr) {
        return;
    }
    Send(window, WM_DESTROY);
    std::vector<HWND> children;
    for (const auto& [key, child] : state_->windows) {
        if (child.parent == window) {
            children.push_back(FromKey<HWND>(key));
        }
    }
    for (HWND child : children) {
        DestroyWindow(child);
    }
    state_->windows.erase(Key(window));
    std::erase_if(state_->dcs, [window](const auto& dc) { return dc.second.window == window; });
    std::erase_if(state_->timers, [window](const auto& timer) { return timer.first.first == Key(window); });
}

bool SimWindowSystem::PaintIfInvalid(HWND window)
{
    if (!IsInvalid(window)) {
        return false;
    }
    Send(window, WM_PAINT);
    return true;
}

bool SimWindowSystem::IsInvalid(HWND window) const
{
    auto found = state_->windows.find(Key(window));
    return found != state_->windows.end() && found->second.invalid;
}

void SimWindowSystem::Resize(HWND window, int width, int height)
{
    State::Window* record = state_->FindWindowRecord(window);
    if (record == nullptr) {
        return;
    }
    // What was drawn stays where it is; the rest is black until erased.
    RasterCanvas resized(width, height, RGB(0, 0, 0));
    for (int y = 0; y < std::min(resized.height(), record->canvas.height()); ++y) {
        for (int x = 0; x < std::min(resized.width(), record->canvas.width()); ++x) {
            resized.SetPixel(x, y, record->canvas.Pixel(x, y));
        }
    }
    record->canvas = std::move(resized);
    record->invalid = true;
    record->erase = true;
    const auto size = static_cast<LPARAM>((static_cast<DWORD>(record->canvas.height()) << 16) |
                                          static_cast<WORD>(record->canvas.width()));
    Send(window, WM_SIZE, 0, size);
}

LRESULT SimWindowSystem::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const State::Window* record = state_->FindWindowRecord(window);
    if (record == nullptr) {
        return 0;
    }
    // The procedure may create, destroy or repaint windows: nothing of the
    // record is used after the call.
    const WNDPROC procedure = record->procedure;
    const DLGPROC dialogProcedure = record->dialogProcedure;
    if (dialogProcedure != nullptr) {
        const INT_PTR answer = dialogProcedure(window, message, wParam, lParam);
        return answer != FALSE ? answer : DefaultWindowProc(window, message, wParam, lParam);
    }
    return procedure != nullptr ? procedure(window, message, wParam, lParam)
                                : DefaultWindowProc(window, message, wParam, lParam);
}

const RasterCanvas* SimWindowSystem::Canvas(HWND window) const
{
    auto found = state_->windows.find(Key(window));
    return found == state_->windows.end() ? nullptr : &found->second.canvas;
}

int SimWindowSystem::LiveObjectCount() const
{
    return static_cast<int>(std::count_if(state_->objects.begin(), state_->objects.end(),
                                          [](const auto& o) { return !o.second.stock; }));
}

std::string SimWindowSystem::WindowClassName(HWND window) const
{
    const State::Window* record = state_->FindWindowRecord(window);
    return record != nullptr ? record->className : std::string();
}

// ------------------------------------------------------ pages, test side

HWND SimWindowSystem::CreatePage(HWND frame, const DialogTemplate& page, DLGPROC procedure, LPARAM initParam)
{
    if (state_->FindWindowRecord(frame) == nullptr) {
        return nullptr;
    }
    const HWND handle = CreateDialogWindow(DialogUnitsToPixels(page.cx, kDialogBaseX, 4),
                                           DialogUnitsToPixels(page.cy, kDialogBaseY, 8));
    State::Window& record = *state_->FindWindowRecord(handle);
    record.parent = frame;
    record.text = page.title != nullptr ? page.title : "";
    record.dialogProcedure = procedure;
    for (const DialogControlTemplate& control : page.controls) {
        if (CreateControl(handle, control.className, control.text, control.id,
                          DialogUnitsToPixels(control.cx, kDialogBaseX, 4),
                          DialogUnitsToPixels(control.cy, kDialogBaseY, 8)) == nullptr) {
            DestroyWindow(handle);
            return nullptr;
        }
    }
    SendToPage(handle, WM_INITDIALOG, 0, initParam);
    return handle;
}

INT_PTR SimWindowSystem::SendToPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    const State::Window* record = state_->FindWindowRecord(page);
    const DLGPROC procedure = record != nullptr ? record->dialogProcedure : nullptr;
    return procedure != nullptr ? procedure(page, message, wParam, lParam) : 0;
}

void SimWindowSystem::AdvanceTimers(DWORD ms)
{
    const std::uint64_t endMs = state_->nowMs + ms;
    while (auto* next = state_->NextTimerDue(endMs)) {
        const auto [windowKey, timerId] = next->first;
        State::Timer& timer = next->second;
        state_->nowMs = timer.dueMs;
        timer.dueMs += timer.periodMs;
        // The procedure may kill or set timers, or destroy the window:
        // nothing of the timer is used after the call.
        Send(FromKey<HWND>(windowKey), WM_TIMER, timerId, 0);
    }
    state_->nowMs = endMs;
}

bool SimWindowSystem::TimerRunning(HWND window, UINT_PTR timerId) const
{
    return state_->timers.contains({Key(window), timerId});
}

UINT SimWindowSystem::TimerPeriod(HWND window, UINT_PTR timerId) const
{
    auto found = state_->timers.find({Key(window), timerId});
    return found != state_->timers.end() ? found->second.periodMs : 0;
}

int SimWindowSystem::TextWriteCount(HWND dialog, int controlId) const
{
    const State::Window* control = state_->FindWindowRecord(state_->FindControl(dialog, controlId));
    return control != nullptr ? control->textWrites : 0;
}

// ------------------------------------------------------ window system

ATOM SimWindowSystem::RegisterWindowClass(const WNDCLASSA& windowClass)
{
    const char* name = windowClass.lpszClassName;
    if (name == nullptr || IS_INTRESOURCE(name) || *name == '\0' || state_->nextAtom == 0) {
        return 0;
    }
    auto [entry, added] = state_->classes.try_emplace(Lowercase(name));
    if (!added) {
        return 0; // as ERROR_CLASS_ALREADY_EXISTS
    }
    entry->second = State::WindowClass{state_->nextAtom, windowClass.lpfnWndProc, windowClass.hbrBackground,
                                       windowClass.style, name};
    // The atom table ends at 0xFFFF; the increment wraps to 0, which then
    // refuses further classes.
    state_->nextAtom = static_cast<ATOM>(state_->nextAtom + 1);
    return entry->second.atom;
}

HCURSOR SimWindowSystem::LoadSystemCursor(LPCSTR cursorName)
{
    const auto id = reinterpret_cast<std::uintptr_t>(cursorName);
    if (id < kFirstCursorId || id > kLastCursorId) {
        return nullptr;
    }
    // A stand-in handle, distinct per cursor and never dereferenced.
    return reinterpret_cast<HCURSOR>(id << 4);
}

HBRUSH SimWindowSystem::SystemColorBrush(int colorIndex)
{
    if (colorIndex < 0 || colorIndex >= kSystemColorCount) {
        return nullptr;
    }
    return FromKey<HBRUSH>(static_cast<std::uintptr_t>(colorIndex + 1));
}

LONG SimWindowSystem::GetUserData(HWND window)
{
    const State::Window* record = state_->FindWindowRecord(window);
    return record != nullptr ? record->userData : 0;
}

LONG SimWindowSystem::SetUserData(HWND window, LONG value)
{
    State::Window* record = state_->FindWindowRecord(window);
    if (record == nullptr) {
        return 0;
    }
    return std::exchange(record->userData, value);
}

HWND SimWindowSystem::GetDlgItem(HWND dialog, int controlId)
{
    return state_->FindControl(dialog, controlId);
}

BOOL SimWindowSystem::RedrawWindow(HWND window, UINT flags)
{
    State::Window* record = state_->FindWindowRecord(window);
    if (record == nullptr) {
        return FALSE;
    }
    if ((flags & RDW_INVALIDATE) != 0) {
        record->invalid = true;
        record->erase = record->erase || (flags & RDW_ERASE) != 0;
    }
    if ((flags & RDW_VALIDATE) != 0) {
        record->invalid = false;
        record->erase = false;
    }
    if ((flags & RDW_NOERASE) != 0) {
        record->erase = false;
    }
    if ((flags & RDW_UPDATENOW) != 0) {
        PaintIfInvalid(window);
    }
    return TRUE;
}

int SimWindowSystem::WindowText(HWND window, char* buffer, int capacity)
{
    const State::Window* record = state_->FindWindowRecord(window);
    if (buffer == nullptr || capacity <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    if (record == nullptr) {
        return 0;
    }
    const auto copied = std::min(record->text.size(), static_cast<std::size_t>(capacity - 1));
    std::memcpy(buffer, record->text.data(), copied);
    buffer[copied] = '\0';
    return static_cast<int>(copied);
}

BOOL SimWindowSystem::GetClientRect(HWND window, RECT* rect)
{
    const State::Window* record = state_->FindWindowRecord(window);
    if (record == nullptr || rect == nullptr) {
        return FALSE;
    }
    *rect = RECT{0, 0, record->canvas.width(), record->canvas.height()};
    return TRUE;
}

HDC SimWindowSystem::BeginPaint(HWND window, PAINTSTRUCT* paint)
{
    State::Window* record = state_->FindWindowRecord(window);
    if (record == nullptr || paint == nullptr) {
        return nullptr;
    }
    const bool erase = record->erase;
    record->invalid = false;
    record->erase = false;
    const std::uintptr_t key = state_->nextDc;
    state_->nextDc += kHandleStep;
    state_->dcs[key] = State::Dc{window, state_->stockPen, state_->stockBrush};
    const HDC dc = FromKey<HDC>(key);

    *paint = PAINTSTRUCT{};
    paint->hdc = dc;
    GetClientRect(window, &paint->rcPaint);
    // fErase tells the painter that WM_ERASEBKGND left the erase to it.
    paint->fErase = erase && Send(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc)) == 0 ? TRUE : FALSE;
    return dc;
}

BOOL SimWindowSystem::EndPaint(HWND window, const PAINTSTRUCT* paint)
{
    if (paint == nullptr) {
        return FALSE;
    }
    State::Dc* dc = state_->FindDc(paint->hdc);
    if (dc == nullptr || dc->window != window) {
        return FALSE;
    }
    state_->dcs.erase(Key(paint->hdc));
    return TRUE;
}

LRESULT SimWindowSystem::DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/)
{
    State::Window* record = state_->FindWindowRecord(window);
    if (record == nullptr) {
        return 0;
    }
    switch (message) {
    case WM_ERASEBKGND: {
        COLORREF color = 0;
        const auto dc = reinterpret_cast<HDC>(wParam);
        RasterCanvas* canvas = state_->CanvasOf(dc);
        if (canvas == nullptr || !state_->BrushColor(record->background, &color)) {
            return 0;
        }
        canvas->FillRect(RECT{0, 0, canvas->width(), canvas->height()}, color);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (BeginPaint(window, &paint) != nullptr) {
            EndPaint(window, &paint);
        }
        return 0;
    }
    default:
        return 0;
    }
}

// ------------------------------------------------------------------ GDI

HPEN SimWindowSystem::CreatePen(int style, int width, COLORREF color)
{
    // Only solid pens are drawn; every width draws one pixel wide, which is
    // all the controls use.
    if (style != PS_SOLID || width < 0) {
        return nullptr;
    }
    return static_cast<HPEN>(state_->AddObject(true, color & 0x00FFFFFFu));
}

HBRUSH SimWindowSystem::CreateSolidBrush(COLORREF color)
{
    return static_cast<HBRUSH>(state_->AddObject(false, color & 0x00FFFFFFu));
}

HGDIOBJ SimWindowSystem::SelectObject(HDC dc, HGDIOBJ object)
{
    State::Dc* record = state_->FindDc(dc);
    const State::GdiObject* selected = state_->FindObject(object);
    if (record == nullptr || selected == nullptr) {
        return nullptr;
    }
    return std::exchange(selected->isPen ? record->pen : record->brush, object);
}

BOOL SimWindowSystem::DeleteObject(HGDIOBJ object)
{
    const State::GdiObject* record = state_->FindObject(object);
    if (record == nullptr) {
        return FALSE;
    }
    if (record->stock) {
        return TRUE; // stock objects are never deleted
    }
    if (state_->IsSelected(object)) {
        return FALSE;
    }
    state_->objects.erase(Key(object));
    return TRUE;
}

BOOL SimWindowSystem::MoveTo(HDC dc, int x, int y)
{
    State::Dc* record = state_->FindDc(dc);
    if (record == nullptr) {
        return FALSE;
    }
    record->position = POINT{x, y};
    return TRUE;
}

BOOL SimWindowSystem::LineTo(HDC dc, int x, int y)
{
    RasterCanvas* canvas = state_->CanvasOf(dc);
    if (canvas == nullptr) {
        return FALSE;
    }
    State::Dc& record = *state_->FindDc(dc);
    canvas->Line(record.position.x, record.position.y, x, y, state_->PenColor(record));
    record.position = POINT{x, y};
    return TRUE;
}

int SimWindowSystem::FillRect(HDC dc, const RECT& rect, HBRUSH brush)
{
    RasterCanvas* canvas = state_->CanvasOf(dc);
    COLORREF color = 0;
    if (canvas == nullptr || !state_->BrushColor(brush, &color)) {
        return 0;
    }
    canvas->FillRect(rect, color);
    return 1;
}

BOOL SimWindowSystem::Ellipse(HDC dc, int left, int top, int right, int bottom)
{
    RasterCanvas* canvas = state_->CanvasOf(dc);
    if (canvas == nullptr) {
        return FALSE;
    }
    const State::Dc& record = *state_->FindDc(dc);
    COLORREF brush = RasterCanvas::kNoColor;
    state_->BrushColor(record.brush, &brush);
    canvas->Ellipse(left, top, right, bottom, state_->PenColor(record), brush);
    return TRUE;
}

BOOL SimWindowSystem::Polygon(HDC dc, const POINT* points, int count)
{
    RasterCanvas* canvas = state_->CanvasOf(dc);
    if (canvas == nullptr || points == nullptr || count < 2 || count > kMaxPolygonPoints) {
        return FALSE;
    }
    const State::Dc& record = *state_->FindDc(dc);
    COLORREF brush = RasterCanvas::kNoColor;
    state_->BrushColor(record.brush, &brush);
    canvas->Polygon(std::vector<POINT>(points, points + count), state_->PenColor(record), brush);
    return TRUE;
}

COLORREF SimWindowSystem::SetTextColor(HDC dc, COLORREF color)
{
    State::Dc* record = state_->FindDc(dc);
    if (record == nullptr) {
        return CLR_INVALID;
    }
    return std::exchange(record->textColor, color & 0x00FFFFFFu);
}

int SimWindowSystem::SetBkMode(HDC dc, int mode)
{
    State::Dc* record = state_->FindDc(dc);
    if (record == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) {
        return 0;
    }
    return std::exchange(record->backgroundMode, mode);
}

int SimWindowSystem::DrawTextInRect(HDC dc, const char* text, int count, RECT* rect, UINT format)
{
    RasterCanvas* canvas = state_->CanvasOf(dc);
    if (canvas == nullptr || text == nullptr || rect == nullptr || count < -1) {
        return 0;
    }
    const std::string line =
        count == -1 ? std::string(text) : std::string(text, static_cast<std::size_t>(count));
    const State::Dc& record = *state_->FindDc(dc);
    if (record.backgroundMode == OPAQUE && !line.empty()) {
        // The text's cells in the default background colour, white.
        const int width = static_cast<int>(line.size()) * kCellWidth;
        const LONG left =
            (format & DT_CENTER) != 0 ? rect->left + (rect->right - rect->left - width) / 2 : rect->left;
        const RECT cells = {std::max(left, rect->left), rect->top, std::min<LONG>(left + width, rect->right),
                            std::min<LONG>(rect->top + kLineHeight, rect->bottom)};
        canvas->FillRect(cells, RGB(255, 255, 255));
    }
    return canvas->Text(line, *rect, format, record.textColor);
}

// -------------------------------------------------------------- dialogs

UINT_PTR SimWindowSystem::SetTimer(HWND window, UINT_PTR timerId, UINT periodMs)
{
    if (timerId == 0 || state_->FindWindowRecord(window) == nullptr) {
        return 0;
    }
    const UINT period = std::clamp(periodMs, kTimerMinimumMs, kTimerMaximumMs);
    // A running timer of that id starts again from now.
    state_->timers[{Key(window), timerId}] =
        State::Timer{period, state_->nowMs + period, state_->nextTimerOrder++};
    return timerId;
}

BOOL SimWindowSystem::KillTimer(HWND window, UINT_PTR timerId)
{
    return state_->timers.erase({Key(window), timerId}) != 0 ? TRUE : FALSE;
}

BOOL SimWindowSystem::SetControlText(HWND dialog, int controlId, const char* text)
{
    State::Window* control = state_->FindWindowRecord(state_->FindControl(dialog, controlId));
    if (control == nullptr) {
        return FALSE;
    }
    control->text = text != nullptr ? text : "";
    ++control->textWrites;
    return TRUE;
}

HWND SimWindowSystem::ParentWindow(HWND window)
{
    const State::Window* record = state_->FindWindowRecord(window);
    return record != nullptr ? record->parent : nullptr;
}

LONG_PTR SimWindowSystem::SetDialogUserData(HWND dialog, LONG_PTR value)
{
    State::Window* record = state_->FindWindowRecord(dialog);
    if (record == nullptr || !record->isDialog) {
        return 0;
    }
    return std::exchange(record->dialogUserData, value);
}

LONG_PTR SimWindowSystem::GetDialogUserData(HWND dialog)
{
    const State::Window* record = state_->FindWindowRecord(dialog);
    return record != nullptr && record->isDialog ? record->dialogUserData : 0;
}

} // namespace torvex
