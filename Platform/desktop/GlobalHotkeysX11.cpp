#include "GlobalHotkeys.h"

#include "QtX11.h"
#include "XcbReply.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <algorithm>
#include <cctype>
#include <vector>

namespace {

constexpr xcb_keysym_t kNumLock = 0xff7f;
constexpr xcb_keysym_t kScrollLock = 0xff14;
constexpr xcb_keysym_t kAltLeft = 0xffe9;
// The key state also carries the pointer buttons; only the eight modifier bits matter.
constexpr uint16_t kModifierBits = 0xff;

// The first event number of the XKEYBOARD extension, 0 without it. Qt selects its keyboard
// change events on the connection it shares with us; they replace the core MappingNotify.
uint8_t XkbFirstEvent(xcb_connection_t* connection) {
    static constexpr char kName[] = "XKEYBOARD";
    XcbReply<xcb_query_extension_reply_t> reply(xcb_query_extension_reply(
        connection, xcb_query_extension(connection, sizeof kName - 1, kName), nullptr));
    return reply && reply->present ? reply->first_event : uint8_t{0};
}

xcb_window_t DefaultRoot(xcb_connection_t* connection) {
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    return screens.rem > 0 ? screens.data->root : xcb_window_t{XCB_WINDOW_NONE};
}

// The server's keyboard: which keysyms each keycode gives, and which modifier bit each modifier
// key sets. Both change when the user switches layouts, so they are read again on MappingNotify.
class KeyboardMap {
public:
    explicit KeyboardMap(xcb_connection_t* connection) {
        const xcb_setup_t* setup = xcb_get_setup(connection);
        m_minKeycode = setup->min_keycode;
        const xcb_get_keyboard_mapping_cookie_t keysymsCookie = xcb_get_keyboard_mapping(
            connection, setup->min_keycode,
            static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1));
        const xcb_get_modifier_mapping_cookie_t modifiersCookie =
            xcb_get_modifier_mapping(connection);

        XcbReply<xcb_get_keyboard_mapping_reply_t> keysyms(
            xcb_get_keyboard_mapping_reply(connection, keysymsCookie, nullptr));
        if (keysyms) {
            m_keysymsPerKeycode = keysyms->keysyms_per_keycode;
            const xcb_keysym_t* first = xcb_get_keyboard_mapping_keysyms(keysyms.get());
            m_keysyms.assign(first, first + xcb_get_keyboard_mapping_keysyms_length(keysyms.get()));
        }
        XcbReply<xcb_get_modifier_mapping_reply_t> modifiers(
            xcb_get_modifier_mapping_reply(connection, modifiersCookie, nullptr));
        if (modifiers) {
            m_keycodesPerModifier = modifiers->keycodes_per_modifier;
            const xcb_keycode_t* first = xcb_get_modifier_mapping_keycodes(modifiers.get());
            m_modifierKeycodes.assign(
                first, first + xcb_get_modifier_mapping_keycodes_length(modifiers.get()));
        }
    }

    // Every keycode that gives the letter in any group, lower or upper case.
    std::vector<xcb_keycode_t> KeycodesOf(char letter) const {
        const xcb_keysym_t upper = static_cast<unsigned char>(letter);
        const xcb_keysym_t lower = upper - 'A' + 'a';
        std::vector<xcb_keycode_t> keycodes;
        for (size_t index = 0; index < m_keysyms.size(); ++index) {
            if (m_keysyms[index] != upper && m_keysyms[index] != lower) continue;
            const auto keycode =
                static_cast<xcb_keycode_t>(m_minKeycode + index / m_keysymsPerKeycode);
            if (std::find(keycodes.begin(), keycodes.end(), keycode) == keycodes.end())
                keycodes.push_back(keycode);
        }
        return keycodes;
    }

    // The modifier bit the keysym's key sets (Mod1..Mod5 for Alt, NumLock, ScrollLock), or 0
    // when no modifier has that key.
    uint16_t MaskOf(xcb_keysym_t keysym) const {
        for (size_t slot = 0; slot < m_modifierKeycodes.size(); ++slot) {
            const xcb_keycode_t keycode = m_modifierKeycodes[slot];
            if (keycode != 0 && Gives(keycode, keysym))
                return static_cast<uint16_t>(1u << (slot / m_keycodesPerModifier));
        }
        return 0;
    }

private:
    bool Gives(xcb_keycode_t keycode, xcb_keysym_t keysym) const {
        if (keycode < m_minKeycode) return false;
        const size_t begin = static_cast<size_t>(keycode - m_minKeycode) * m_keysymsPerKeycode;
        const size_t end = std::min(begin + m_keysymsPerKeycode, m_keysyms.size());
        for (size_t index = begin; index < end; ++index)
            if (m_keysyms[index] == keysym) return true;
        return false;
    }

    xcb_keycode_t m_minKeycode = 0;
    uint8_t m_keysymsPerKeycode = 0;
    std::vector<xcb_keysym_t> m_keysyms;
    uint8_t m_keycodesPerModifier = 0;
    std::vector<xcb_keycode_t> m_modifierKeycodes;
};

class X11GlobalHotkeys final : public GlobalHotkeys, public QAbstractNativeEventFilter {
public:
    explicit X11GlobalHotkeys(xcb_connection_t* connection)
        : m_connection(connection),
          m_root(DefaultRoot(connection)),
          m_xkbFirstEvent(XkbFirstEvent(connection)),
          m_keyboard(connection) {
        ReadModifierMasks();
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    ~X11GlobalHotkeys() override {
        // Made on first use, the service can outlive the application and its connection; the
        // server drops a closed connection's grabs by itself.
        QCoreApplication* application = QCoreApplication::instance();
        if (application == nullptr) return;
        application->removeNativeEventFilter(this);
        UngrabAll();
    }

    void Register(int id, unsigned modifiers, char letter) override {
        letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
        modifiers &= MOD_ALT | MOD_CONTROL | MOD_SHIFT;
        if (letter < 'A' || letter > 'Z') return;
        const Registration registration{id, modifiers, letter};
        if (std::find(m_registrations.begin(), m_registrations.end(), registration) !=
            m_registrations.end())
            return;
        m_registrations.push_back(registration);
        Grab(registration);
        xcb_flush(m_connection);
    }

    void UnregisterAll() override {
        UngrabAll();
        m_registrations.clear();
    }

    bool IsAvailable() const override { return true; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const int type = event->response_type & ~0x80;
        if (type == XCB_KEY_PRESS)
            return Press(*static_cast<const xcb_key_press_event_t*>(message));
        if (IsKeyboardChange(*event, type)) Regrab();
        return false;  // Qt reads the new keyboard too
    }

private:
    struct Registration {
        int id;
        unsigned modifiers;
        char letter;
        bool operator==(const Registration&) const = default;
    };

    // One key combination this connection holds, in all its lock variants.
    struct Grabbed {
        int id;
        xcb_keycode_t keycode;
        uint16_t mask;
    };

    bool IsKeyboardChange(const xcb_generic_event_t& event, int type) const {
        if (type == XCB_MAPPING_NOTIFY)
            return reinterpret_cast<const xcb_mapping_notify_event_t&>(event).request !=
                   XCB_MAPPING_POINTER;
        // The second byte of an XKEYBOARD event tells its kind: 0 a new keyboard (setxkbmap),
        // 1 a changed keymap (xmodmap).
        constexpr uint8_t kXkbNewKeyboardNotify = 0, kXkbMapNotify = 1;
        return m_xkbFirstEvent != 0 && type == m_xkbFirstEvent &&
               (event.pad0 == kXkbNewKeyboardNotify || event.pad0 == kXkbMapNotify);
    }

    uint16_t MaskOf(unsigned modifiers) const {
        uint16_t mask = 0;
        if (modifiers & MOD_SHIFT) mask |= XCB_MOD_MASK_SHIFT;
        if (modifiers & MOD_CONTROL) mask |= XCB_MOD_MASK_CONTROL;
        if (modifiers & MOD_ALT) mask |= m_altMask;
        return mask;
    }

    // The masks of every combination of CapsLock, NumLock and ScrollLock, so that a lock left on
    // does not change the key.
    std::vector<uint16_t> LockVariants() const {
        std::vector<uint16_t> variants{0};
        for (const uint16_t lock : {uint16_t{XCB_MOD_MASK_LOCK}, m_numLockMask, m_scrollLockMask}) {
            if (lock == 0) continue;
            const size_t count = variants.size();
            for (size_t index = 0; index < count; ++index)
                variants.push_back(static_cast<uint16_t>(variants[index] | lock));
        }
        return variants;
    }

    void Grab(const Registration& registration) {
        const uint16_t mask = MaskOf(registration.modifiers);
        const std::vector<uint16_t> variants = LockVariants();
        for (const xcb_keycode_t keycode : m_keyboard.KeycodesOf(registration.letter)) {
            // A combination this connection already holds keeps the id it was first given.
            if (std::any_of(m_grabbed.begin(), m_grabbed.end(), [&](const Grabbed& grabbed) {
                    return grabbed.keycode == keycode && grabbed.mask == mask;
                }))
                continue;
            std::vector<xcb_void_cookie_t> cookies;
            for (const uint16_t variant : variants)
                cookies.push_back(xcb_grab_key_checked(
                    m_connection, 1, m_root, static_cast<uint16_t>(mask | variant), keycode,
                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
            bool held = true;
            for (const xcb_void_cookie_t cookie : cookies) {
                // BadAccess: another client holds the combination.
                XcbReply<xcb_generic_error_t> error(xcb_request_check(m_connection, cookie));
                if (error) held = false;
            }
            // A key that works only with some lock on would puzzle the user more than one that
            // does not work at all; releasing needs no check, as it never fails for a grab window.
            if (held)
                m_grabbed.push_back({registration.id, keycode, mask});
            else
                Ungrab(keycode, mask, variants);
        }
    }

    void Ungrab(xcb_keycode_t keycode, uint16_t mask, const std::vector<uint16_t>& variants) {
        // Releasing touches only this connection's grabs, never the other client's.
        for (const uint16_t variant : variants)
            xcb_ungrab_key(m_connection, keycode, m_root, static_cast<uint16_t>(mask | variant));
    }

    void UngrabAll() {
        const std::vector<uint16_t> variants = LockVariants();
        for (const Grabbed& grabbed : m_grabbed) Ungrab(grabbed.keycode, grabbed.mask, variants);
        m_grabbed.clear();
        xcb_flush(m_connection);
    }

    void Regrab() {
        UngrabAll();
        m_keyboard = KeyboardMap(m_connection);
        ReadModifierMasks();
        for (const Registration& registration : m_registrations) Grab(registration);
        xcb_flush(m_connection);
    }

    void ReadModifierMasks() {
        const uint16_t alt = m_keyboard.MaskOf(kAltLeft);
        m_altMask = alt != 0 ? alt : uint16_t{XCB_MOD_MASK_1};
        m_numLockMask = m_keyboard.MaskOf(kNumLock);
        m_scrollLockMask = m_keyboard.MaskOf(kScrollLock);
    }

    bool Press(const xcb_key_press_event_t& press) {
        // Our own focused window gets the key too (owner events), so the event's window does not
        // matter: the combination does.
        const uint16_t locks =
            static_cast<uint16_t>(XCB_MOD_MASK_LOCK | m_numLockMask | m_scrollLockMask);
        const uint16_t mask = static_cast<uint16_t>(press.state & kModifierBits & ~locks);
        const auto match = std::find_if(m_grabbed.begin(), m_grabbed.end(), [&](const Grabbed& g) {
            return g.keycode == press.detail && g.mask == mask;
        });
        if (match == m_grabbed.end()) return false;
        emit Activated(match->id);
        return true;
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    uint8_t m_xkbFirstEvent;
    KeyboardMap m_keyboard;
    uint16_t m_altMask = XCB_MOD_MASK_1;
    uint16_t m_numLockMask = 0;
    uint16_t m_scrollLockMask = 0;
    std::vector<Registration> m_registrations;
    std::vector<Grabbed> m_grabbed;
};

}  // namespace

std::unique_ptr<GlobalHotkeys> GlobalHotkeys::MakeForX11() {
    xcb_connection_t* connection = QtX11Connection();
    if (connection == nullptr) return nullptr;
    return std::make_unique<X11GlobalHotkeys>(connection);
}
