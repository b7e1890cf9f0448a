#include "tests/app/user_input.h"

#include <gtk/gtk.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/uiaction.h>

#include <cstring>

#include "tests/app/gui_test_support.h"

namespace gui_test {
namespace {

guint KeyValue(int key) {
    switch (key) {
        case WXK_RETURN:
            return GDK_KEY_Return;
        case WXK_ESCAPE:
            return GDK_KEY_Escape;
        case WXK_TAB:
            return GDK_KEY_Tab;
        default:
            return gdk_unicode_to_keyval(static_cast<guint32>(key));
    }
}

void SendKey(GdkWindow* window, GdkEventType type, guint keyval, GdkModifierType state) {
    GdkEvent* event = gdk_event_new(type);
    GdkEventKey* key = &event->key;
    key->window = GDK_WINDOW(g_object_ref(window));
    key->send_event = TRUE;
    key->time = GDK_CURRENT_TIME;
    key->state = state;
    key->keyval = keyval;
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    GdkDisplay* display = gdk_window_get_display(window);
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys,
                                          &count) &&
        count > 0) {
        key->hardware_keycode = static_cast<guint16>(keys[0].keycode);
        key->group = static_cast<guint8>(keys[0].group);
    }
    g_free(keys);
    if (GdkSeat* seat = gdk_display_get_default_seat(display))
        if (GdkDevice* keyboard = gdk_seat_get_keyboard(seat))
            gdk_event_set_device(event, keyboard);
    gtk_main_do_event(event);
    gdk_event_free(event);
}

void PressKeyInProcess(wxWindow* target, int key, int modifiers) {
    GtkWidget* top = gtk_widget_get_toplevel(static_cast<GtkWidget*>(target->GetHandle()));
    GdkWindow* window = gtk_widget_get_window(top);
    if (window == nullptr) return;
    const bool shift = (modifiers & wxMOD_SHIFT) != 0;
    // GTK's keyboard sends Shift+Tab as its own key.
    const guint keyval = key == WXK_TAB && shift ? GDK_KEY_ISO_Left_Tab : KeyValue(key);
    const auto state = static_cast<GdkModifierType>(
        ((modifiers & wxMOD_CONTROL) != 0 ? GDK_CONTROL_MASK : 0) | (shift ? GDK_SHIFT_MASK : 0));
    SendKey(window, GDK_KEY_PRESS, keyval, state);
    SendKey(window, GDK_KEY_RELEASE, keyval, state);
}

void MovePointerInProcess(wxWindow* window, const wxPoint& point) {
    GtkWidget* widget = static_cast<GtkWidget*>(window->GetHandle());
    GdkWindow* target = gtk_widget_get_window(widget);
    if (target == nullptr) return;
    // The point in the coordinates of the GDK window that receives the motion.
    const wxPoint onScreen = window->ClientToScreen(point);
    gint originX = 0, originY = 0;
    gdk_window_get_origin(target, &originX, &originY);
    GdkEvent* event = gdk_event_new(GDK_MOTION_NOTIFY);
    GdkEventMotion* motion = &event->motion;
    motion->window = GDK_WINDOW(g_object_ref(target));
    motion->send_event = TRUE;
    motion->time = GDK_CURRENT_TIME;
    motion->x = onScreen.x - originX;
    motion->y = onScreen.y - originY;
    motion->x_root = onScreen.x;
    motion->y_root = onScreen.y;
    GdkDisplay* display = gdk_window_get_display(target);
    if (GdkSeat* seat = gdk_display_get_default_seat(display))
        if (GdkDevice* pointer = gdk_seat_get_pointer(seat)) {
            gdk_event_set_device(event, pointer);
            motion->device = pointer;
        }
    gtk_main_do_event(event);
    gdk_event_free(event);
}

}  // namespace

void PointAt(wxWindow* window, const wxPoint& point) {
    if (OnWayland())
        MovePointerInProcess(window, point);
    else
        wxUIActionSimulator().MouseMove(window->ClientToScreen(point));
}

void ClickAt(wxWindow* window, const wxPoint& point) {
    if (!OnWayland()) {
        wxUIActionSimulator simulator;
        simulator.MouseMove(window->ClientToScreen(point));
        simulator.MouseClick();
        return;
    }
    auto* widget = static_cast<GtkWidget*>(window->GetHandle());
    if (GTK_IS_BUTTON(widget))
        gtk_button_clicked(GTK_BUTTON(widget));
    else
        window->SetFocus();
}

void TypeKey(wxWindow* target, int key, int modifiers) {
    if (OnWayland())
        PressKeyInProcess(target, key, modifiers);
    else
        wxUIActionSimulator().Char(key, modifiers);
}

void TypeText(wxWindow* target, const std::string& text) {
    for (const char c : text) TypeKey(target, c);
}

wxImage ShownPicture(wxWindow* window) {
    if (OnWayland()) return WindowPicture(window);
    const wxPoint origin = window->ClientToScreen(wxPoint(0, 0));
    const wxSize size = window->GetClientSize();
    wxBitmap shot(size.x, size.y, 24);
    {
        wxMemoryDC memory(shot);
        wxScreenDC screen;
        memory.Blit(0, 0, size.x, size.y, &screen, origin.x, origin.y);
    }
    return shot.ConvertToImage();
}

wxImage WindowPicture(wxWindow* window) {
    GtkWidget* widget = static_cast<GtkWidget*>(window->GetHandle());
    const wxSize size = window->GetClientSize();
    wxImage picture(size.x, size.y);
    if (size.x <= 0 || size.y <= 0) return picture;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, size.x, size.y);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    gtk_widget_draw(widget, cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < size.y; ++y)
        for (int x = 0; x < size.x; ++x) {
            std::uint32_t pixel;
            std::memcpy(&pixel, data + y * stride + x * 4, sizeof pixel);
            picture.SetRGB(x, y, (pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
        }
    cairo_surface_destroy(surface);
    return picture;
}

}  // namespace gui_test
