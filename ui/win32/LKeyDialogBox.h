// A modeless dialog that runs its own message loop while it exists and
// hands key presses and releases to virtual handlers before the usual
// dialog processing, so that keys such as F9, Space or the arrows work
// whichever control has the focus. Held keys report one press: the
// keyboard's auto-repeat (bit 30 of lParam) is ignored.
//
// A subclass gives the template, handles its messages in DialogMessage and
// its keys in KeyDown / KeyUp (true consumes the key), and may refuse to
// close in CanCloseOk / CanCloseCancel.
#pragma once
#include <windows.h>

namespace sondrel {

struct LKeyState {
    bool bControl = false;
    bool bAlt = false;
    bool bShift = false;
};

class LKeyDialogBox {
public:
    LKeyDialogBox(HINSTANCE instance, LPCSTR templateName);
    virtual ~LKeyDialogBox();
    LKeyDialogBox(const LKeyDialogBox&) = delete;
    LKeyDialogBox& operator=(const LKeyDialogBox&) = delete;

    // Creates the dialog; false when it is open already ("LKeyDialogBox::Open
    // already open") or cannot be created ("LKeyDialogBox::Open CreateDialog Failed").
    bool Open(HWND parent);
    // Runs the thread's messages until the dialog is destroyed (a WM_QUIT is
    // put back for the outer loop and ends this one).
    void RunLoop();
    // Destroys the dialog ("LKeyDialogBox::Close() called when already
    // destroyed" when it is not open).
    void Close();
    HWND Window() const { return hWnd; }

    // The key filter: true when the message was a key that a handler took.
    bool FilterMessage(const MSG& msg);
    // One message of the loop: the key filter, the dialog's keyboard
    // handling, then the usual translation and dispatch.
    void Dispatch(MSG& msg);

protected:
    virtual bool KeyDown(UINT vk, const LKeyState& keys);
    virtual bool KeyUp(UINT vk, const LKeyState& keys);
    // A mouse button went down on the dialog or one of its controls, before
    // the control sees it.
    virtual void MouseDown() {}
    virtual bool CanCloseOk() { return true; }
    virtual bool CanCloseCancel() { return true; }
    // Messages of the dialog after the base has seen them; WM_INITDIALOG
    // included. The result is the dialog procedure's.
    virtual INT_PTR DialogMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    HINSTANCE hInstance;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    LPCSTR szTemplate;
    HWND hWnd = nullptr;
};

}  // namespace sondrel
