// ICoreWebView2 with all 61 of its slots: a caller that reaches past Navigate lands in a
// placeholder that records the call, never past the end of the table.
#pragma once

#include "record.h"

#include "platform/webview2.h"

namespace Brindle::Standin {

// The placeholders take no parameters: a caller's arguments are left unread.
#define BRINDLE_STANDIN_SLOT(n)                                                                    \
    virtual HRESULT STDMETHODCALLTYPE Slot##n() noexcept {                                         \
        return Unexpected(L"ICoreWebView2::Slot" #n);                                              \
    }

struct CoreWebView2AllSlots : Shell::ICoreWebView2 {
    BRINDLE_STANDIN_SLOT(6)
    BRINDLE_STANDIN_SLOT(7)
    BRINDLE_STANDIN_SLOT(8)
    BRINDLE_STANDIN_SLOT(9)
    BRINDLE_STANDIN_SLOT(10)
    BRINDLE_STANDIN_SLOT(11)
    BRINDLE_STANDIN_SLOT(12)
    BRINDLE_STANDIN_SLOT(13)
    BRINDLE_STANDIN_SLOT(14)
    BRINDLE_STANDIN_SLOT(15)
    BRINDLE_STANDIN_SLOT(16)
    BRINDLE_STANDIN_SLOT(17)
    BRINDLE_STANDIN_SLOT(18)
    BRINDLE_STANDIN_SLOT(19)
    BRINDLE_STANDIN_SLOT(20)
    BRINDLE_STANDIN_SLOT(21)
    BRINDLE_STANDIN_SLOT(22)
    BRINDLE_STANDIN_SLOT(23)
    BRINDLE_STANDIN_SLOT(24)
    BRINDLE_STANDIN_SLOT(25)
    BRINDLE_STANDIN_SLOT(26)
    BRINDLE_STANDIN_SLOT(27)
    BRINDLE_STANDIN_SLOT(28)
    BRINDLE_STANDIN_SLOT(29)
    BRINDLE_STANDIN_SLOT(30)
    BRINDLE_STANDIN_SLOT(31)
    BRINDLE_STANDIN_SLOT(32)
    BRINDLE_STANDIN_SLOT(33)
    BRINDLE_STANDIN_SLOT(34)
    BRINDLE_STANDIN_SLOT(35)
    BRINDLE_STANDIN_SLOT(36)
    BRINDLE_STANDIN_SLOT(37)
    BRINDLE_STANDIN_SLOT(38)
    BRINDLE_STANDIN_SLOT(39)
    BRINDLE_STANDIN_SLOT(40)
    BRINDLE_STANDIN_SLOT(41)
    BRINDLE_STANDIN_SLOT(42)
    BRINDLE_STANDIN_SLOT(43)
    BRINDLE_STANDIN_SLOT(44)
    BRINDLE_STANDIN_SLOT(45)
    BRINDLE_STANDIN_SLOT(46)
    BRINDLE_STANDIN_SLOT(47)
    BRINDLE_STANDIN_SLOT(48)
    BRINDLE_STANDIN_SLOT(49)
    BRINDLE_STANDIN_SLOT(50)
    BRINDLE_STANDIN_SLOT(51)
    BRINDLE_STANDIN_SLOT(52)
    BRINDLE_STANDIN_SLOT(53)
    BRINDLE_STANDIN_SLOT(54)
    BRINDLE_STANDIN_SLOT(55)
    BRINDLE_STANDIN_SLOT(56)
    BRINDLE_STANDIN_SLOT(57)
    BRINDLE_STANDIN_SLOT(58)
    BRINDLE_STANDIN_SLOT(59)
    BRINDLE_STANDIN_SLOT(60)

protected:
    ~CoreWebView2AllSlots() = default;
};

#undef BRINDLE_STANDIN_SLOT

} // namespace Brindle::Standin
