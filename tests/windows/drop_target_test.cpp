// The main window's drop target, fed data objects like the ones the shell and Wine's XDND bridge
// hand it: which drags it accepts, what it takes from a drop, and that it gives back everything
// it borrows.

#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/drop_target.h"

namespace varnel {
namespace {

// Counts the storage a data object lends out and gets back through ReleaseStgMedium.
class ReleaseCounter final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
    if (iid != IID_IUnknown) return E_NOINTERFACE;
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() noexcept override { return --references; }
  ULONG references = 0;
};

// A data object offering either a file list (CF_HDROP, as DROPFILES with wide names) or text.
class FakeData final : public IDataObject {
 public:
  static FakeData Files(const std::vector<std::wstring>& paths) {
    FakeData data;
    data.format_ = CF_HDROP;
    std::wstring list;
    for (const auto& path : paths) list += path + L'\0';
    list += L'\0';
    size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    data.global_ = ::GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(data.global_));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
    ::GlobalUnlock(data.global_);
    return data;
  }
  static FakeData Text(const std::wstring& text) {
    FakeData data;
    data.format_ = CF_UNICODETEXT;
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    data.global_ = ::GlobalAlloc(GHND, bytes);
    std::memcpy(::GlobalLock(data.global_), text.c_str(), bytes);
    ::GlobalUnlock(data.global_);
    return data;
  }

  FakeData(FakeData&& other) noexcept : format_(other.format_), global_(other.global_) { other.global_ = nullptr; }
  ~FakeData() {
    if (global_) ::GlobalFree(global_);
  }

  int lent = 0;
  ReleaseCounter returned;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
    if (iid != IID_IUnknown && iid != IID_IDataObject) return E_NOINTERFACE;
    *object = static_cast<IDataObject*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 2; }
  ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) noexcept override {
    if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = global_;
    medium->pUnkForRelease = &returned;
    returned.AddRef();
    ++lent;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) noexcept override {
    return format->cfFormat == format_ && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) noexcept override { return E_NOTIMPL; }

 private:
  FakeData() = default;
  CLIPFORMAT format_ = 0;
  HGLOBAL global_ = nullptr;
};

constexpr DWORD kAll = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
constexpr POINTL kPoint{10, 10};

class DropTargetTest : public ::testing::Test {
 protected:
  // The effects a drag of data shows on entering and moving, and what a drop of it returns.
  struct Effects {
    DWORD enter, over, drop;
  };
  Effects Drag(FakeData& data, DWORD allowed) {
    Effects effects{allowed, allowed, allowed};
    EXPECT_EQ(target_.DragEnter(&data, MK_LBUTTON, kPoint, &effects.enter), S_OK);
    EXPECT_EQ(target_.DragOver(MK_LBUTTON, kPoint, &effects.over), S_OK);
    EXPECT_EQ(target_.Drop(&data, 0, kPoint, &effects.drop), S_OK);
    return effects;
  }

  std::vector<std::wstring> dropped_;
  DropTarget target_{[this](const std::wstring& path) { dropped_.push_back(path); }};
};

TEST_F(DropTargetTest, FileListIsCopiedAndOnlyItsFirstFileIsTaken) {
  auto data = FakeData::Files({L"Z:\\tmp\\メモ.txt", L"Z:\\tmp\\b.txt", L"Z:\\tmp\\c.txt"});
  Effects effects = Drag(data, kAll);
  EXPECT_EQ(effects.enter, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(effects.over, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(effects.drop, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(dropped_, std::vector<std::wstring>{L"Z:\\tmp\\メモ.txt"});
  EXPECT_EQ(data.returned.references, 0u) << "every storage medium taken is released";
  EXPECT_GE(data.lent, 1);
}

TEST_F(DropTargetTest, TextIsRefusedWhileHoveringAndOnDrop) {
  auto data = FakeData::Text(L"plain words");
  Effects effects = Drag(data, kAll);
  EXPECT_EQ(effects.enter, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(effects.over, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(effects.drop, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_TRUE(dropped_.empty());
}

TEST_F(DropTargetTest, SourceThatOnlyAllowsAMoveIsRefusedSoItNeverDeletesTheFile) {
  auto data = FakeData::Files({L"C:\\memo\\memo.txt"});
  Effects effects = Drag(data, DROPEFFECT_MOVE);
  EXPECT_EQ(effects.enter, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(effects.drop, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_TRUE(dropped_.empty());

  auto linkable = FakeData::Files({L"C:\\memo\\memo.txt"});
  effects = Drag(linkable, DROPEFFECT_MOVE | DROPEFFECT_LINK);
  EXPECT_EQ(effects.enter, static_cast<DWORD>(DROPEFFECT_LINK));
  EXPECT_EQ(effects.drop, static_cast<DWORD>(DROPEFFECT_LINK));
  EXPECT_EQ(dropped_, std::vector<std::wstring>{L"C:\\memo\\memo.txt"});
}

TEST_F(DropTargetTest, EmptyListAndLongPathsAreHandled) {
  auto empty = FakeData::Files({});
  EXPECT_EQ(Drag(empty, kAll).drop, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_TRUE(dropped_.empty());
  EXPECT_EQ(empty.returned.references, 0u);

  // Longer than MAX_PATH: the buffer follows the list's own length.
  std::wstring longPath = L"\\\\?\\C:\\" + std::wstring(400, L'あ') + L".txt";
  auto data = FakeData::Files({longPath});
  Drag(data, kAll);
  EXPECT_EQ(dropped_, std::vector<std::wstring>{longPath});
}

TEST_F(DropTargetTest, DropDecidesByItsOwnDataNotByTheLastHover) {
  auto text = FakeData::Text(L"words");
  auto files = FakeData::Files({L"C:\\a.txt"});
  DWORD effect = kAll;
  target_.DragEnter(&text, MK_LBUTTON, kPoint, &effect);
  effect = kAll;
  EXPECT_EQ(target_.Drop(&files, 0, kPoint, &effect), S_OK);
  EXPECT_EQ(dropped_, std::vector<std::wstring>{L"C:\\a.txt"});

  // And a hover that left clears the last drag's verdict.
  effect = kAll;
  target_.DragEnter(&files, MK_LBUTTON, kPoint, &effect);
  target_.DragLeave();
  effect = kAll;
  target_.DragOver(MK_LBUTTON, kPoint, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
}

TEST(DropTargetHandler, ThrowingHandlerDoesNotLeaveTheComMethod) {
  DropTarget target([](const std::wstring&) { throw std::runtime_error("disk on fire"); });
  auto data = FakeData::Files({L"C:\\a.txt"});
  DWORD effect = kAll;
  EXPECT_EQ(target.Drop(&data, 0, kPoint, &effect), S_OK);
  EXPECT_EQ(data.returned.references, 0u);
}

TEST(DropTargetRegistration, OleHoldsItWhileRegisteredAndGivesEverythingBack) {
  ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
  HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  {
    DropTarget target([](const std::wstring&) {});
    ASSERT_EQ(target.Register(window), S_OK);
    EXPECT_TRUE(target.registered());
    EXPECT_GT(target.references(), 0u);
    target.Revoke();
    EXPECT_FALSE(target.registered());
    EXPECT_EQ(target.references(), 0u);
    // Registered again, then left to its destructor, which revokes it.
    ASSERT_EQ(target.Register(window), S_OK);
  }
  // Nothing is registered on the window any more: a new target can take it.
  DropTarget next([](const std::wstring&) {});
  EXPECT_EQ(next.Register(window), S_OK);
  next.Revoke();
  ::DestroyWindow(window);
  ::OleUninitialize();
}

}  // namespace
}  // namespace varnel
