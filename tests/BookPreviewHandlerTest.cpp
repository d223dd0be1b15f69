// SPDX-License-Identifier: LGPL-3.0-or-later
// The preview handler as a preview host drives it: its faces, one stream until Unload, the
// window and the rectangle it is given, the keys it hands its frame, the visuals; natively
// there is no window to make, so DoPreview reads the book and answers E_NOTIMPL.
#include "book/CBookPreviewHandler.h"
#include "platform/ComObject.h"
#include "tests/support/BookBinding.h"
#include "tests/support/RecordingStream.h"
#include "tests/support/References.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using PreviewHandler = ComObject<CBookPreviewHandler>;

// A preview host's frame: it records the keys it is handed, and takes them or not.
class RecordingFrameBase : public IPreviewHandlerFrame {
public:
    virtual ~RecordingFrameBase() = default;
    template <typename Self> static const QITAB* Interfaces() {
        static const QITAB table[] = {QITABENT(Self, IPreviewHandlerFrame), {nullptr, 0}};
        return table;
    }
    HRESULT STDMETHODCALLTYPE GetWindowContext(PREVIEWHANDLERFRAMEINFO* info) override {
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* message) override {
        Keys.push_back(message->wParam);
        return Answer;
    }

    std::vector<WPARAM> Keys;
    HRESULT Answer = S_OK;
};
using RecordingFrame = HostObject<RecordingFrameBase>;

HWND SomeWindow() {
    return reinterpret_cast<HWND>(0x1234);
}

const RECT Pane = {0, 0, 600, 900};

TEST(PreviewHandler, AnswersItsFiveFacesAndNoFilter) {
    PreviewHandler handler;
    for (const IID* iid : {&IID_IUnknown, &IID_IInitializeWithStream, &IID_IPreviewHandler,
                           &IID_IOleWindow, &IID_IObjectWithSite, &IID_IPreviewHandlerVisuals}) {
        void* face = nullptr;
        EXPECT_EQ(handler.QueryInterface(*iid, &face), S_OK);
        static_cast<IUnknown*>(face)->Release();
    }
    void* face = reinterpret_cast<void*>(1);
    EXPECT_EQ(handler.QueryInterface(IID_IFilter, &face), E_NOINTERFACE);
    EXPECT_EQ(face, nullptr);
}

TEST(PreviewHandler, HoldsOneStreamUntilUnload) {
    RecordingStream stream(TestBook("covers/lantern-kf8.azw3"));
    RecordingStream other(TestBook("harbor-kf7.mobi"));
    PreviewHandler handler;
    EXPECT_EQ(handler.Initialize(nullptr, STGM_READ), E_INVALIDARG);
    ASSERT_EQ(handler.Initialize(&stream, STGM_READ), S_OK);
    EXPECT_EQ(ReferencesOf(stream), 2);
    EXPECT_TRUE(stream.Calls.empty()) << "the book is read by DoPreview, not before";
    EXPECT_EQ(handler.Initialize(&other, STGM_READ), HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED));
    EXPECT_EQ(ReferencesOf(other), 1);
    EXPECT_EQ(handler.Unload(), S_OK);
    EXPECT_EQ(ReferencesOf(stream), 1);
    EXPECT_EQ(handler.Initialize(&other, STGM_READ), S_OK);
    EXPECT_EQ(handler.Unload(), S_OK);
    EXPECT_EQ(handler.Unload(), S_OK) << "unloading twice";
    EXPECT_EQ(ReferencesOf(other), 1);
}

TEST(PreviewHandler, PreviewsOnlyWithABookAndAWindow) {
    RecordingStream stream(TestBook("covers/lantern-kf8.azw3"));
    PreviewHandler handler;
    EXPECT_EQ(handler.DoPreview(), E_UNEXPECTED);
    ASSERT_EQ(handler.Initialize(&stream, STGM_READ), S_OK);
    EXPECT_EQ(handler.DoPreview(), E_UNEXPECTED) << "no window yet";
    EXPECT_TRUE(stream.Calls.empty());
    EXPECT_EQ(handler.SetWindow(SomeWindow(), nullptr), E_INVALIDARG);
    ASSERT_EQ(handler.SetWindow(SomeWindow(), &Pane), S_OK);
    EXPECT_EQ(handler.SetRect(nullptr), E_INVALIDARG);
    EXPECT_EQ(handler.SetRect(&Pane), S_OK);
    EXPECT_EQ(handler.DoPreview(), E_NOTIMPL);
    EXPECT_FALSE(stream.Calls.empty());
    EXPECT_EQ(ReferencesOf(stream), 2) << "only the handler holds it";
    HWND window = nullptr;
    EXPECT_EQ(handler.GetWindow(&window), S_OK);
    EXPECT_EQ(window, SomeWindow());
    EXPECT_EQ(handler.GetWindow(nullptr), E_INVALIDARG);
    EXPECT_EQ(handler.ContextSensitiveHelp(TRUE), E_NOTIMPL);
    EXPECT_EQ(handler.SetFocus(), S_FALSE) << "no window of its own";
    EXPECT_EQ(handler.QueryFocus(nullptr), E_INVALIDARG);
}

TEST(PreviewHandler, HandsTheKeysItDoesNotUseToItsFrame) {
    PreviewHandler handler;
    MSG key = {};
    key.message = WM_KEYDOWN;
    key.wParam = VK_TAB;
    EXPECT_EQ(handler.TranslateAccelerator(&key), S_FALSE) << "no frame: not translated";
    EXPECT_EQ(handler.TranslateAccelerator(nullptr), E_INVALIDARG);
    RecordingFrame frame;
    ASSERT_EQ(handler.SetSite(&frame), S_OK);
    EXPECT_EQ(ReferencesOf(frame), 2);
    for (WPARAM pressed : {WPARAM{VK_TAB}, WPARAM{VK_F5}, WPARAM{VK_NEXT}}) {
        key.wParam = pressed;
        EXPECT_EQ(handler.TranslateAccelerator(&key), S_OK);
    }
    frame.Answer = S_FALSE;
    EXPECT_EQ(handler.TranslateAccelerator(&key), S_FALSE);
    EXPECT_EQ(frame.Keys, (std::vector<WPARAM>{VK_TAB, VK_F5, VK_NEXT, VK_NEXT}));
    IPreviewHandlerFrame* site = nullptr;
    ASSERT_EQ(handler.GetSite(IID_IPreviewHandlerFrame, reinterpret_cast<void**>(&site)), S_OK);
    EXPECT_EQ(site, static_cast<IPreviewHandlerFrame*>(&frame));
    site->Release();
    ASSERT_EQ(handler.SetSite(nullptr), S_OK);
    EXPECT_EQ(ReferencesOf(frame), 1);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(handler.GetSite(IID_IUnknown, &none), E_FAIL);
    EXPECT_EQ(none, nullptr);
}

TEST(PreviewHandler, TakesTheHostsVisuals) {
    PreviewHandler handler;
    LOGFONTW font = {};
    font.lfHeight = -12;
    EXPECT_EQ(handler.SetBackgroundColor(RGB(32, 32, 32)), S_OK);
    EXPECT_EQ(handler.SetTextColor(RGB(240, 240, 240)), S_OK);
    EXPECT_EQ(handler.SetFont(&font), S_OK);
    EXPECT_EQ(handler.SetFont(nullptr), E_INVALIDARG);
}

} // namespace
