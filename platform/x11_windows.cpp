#include "platform/x11_windows.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace vistrel {

namespace {

struct FreeReply {
    void operator()(void *reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

xcb_atom_t atomNamed(xcb_connection_t *x, const char *name)
{
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        x, xcb_intern_atom(x, 1, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// A property of 32-bit items; empty when the window has none.
template <typename Item>
std::vector<Item> property32(xcb_connection_t *x, xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
{
    constexpr uint32_t kMaxItems = 4096;
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(x, xcb_get_property(x, 0, window, name, type, 0, kMaxItems), nullptr));
    if (!reply || reply->format != 32 || name == XCB_ATOM_NONE)
        return {};
    const auto *items = static_cast<const Item *>(xcb_get_property_value(reply.get()));
    return std::vector<Item>(items, items + xcb_get_property_value_length(reply.get()) / 4);
}

// The window's outer rectangle in root coordinates, widened by its frame; empty when it is not
// shown.
QRect frameOf(xcb_connection_t *x, xcb_window_t root, xcb_window_t window, xcb_atom_t extentsAtom)
{
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, window), nullptr));
    const Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(x, xcb_get_geometry(x, window), nullptr));
    const Reply<xcb_translate_coordinates_reply_t> place(
        xcb_translate_coordinates_reply(x, xcb_translate_coordinates(x, window, root, 0, 0), nullptr));
    if (!attributes || !geometry || !place || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
        attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
        return {};
    QRect frame(place->dst_x, place->dst_y, geometry->width, geometry->height);
    const std::vector<uint32_t> extents = property32<uint32_t>(x, window, extentsAtom, XCB_ATOM_CARDINAL);
    if (extents.size() == 4) // left, right, top, bottom
        frame.adjust(-static_cast<int>(std::min<uint32_t>(extents[0], 1024)),
                     -static_cast<int>(std::min<uint32_t>(extents[2], 1024)),
                     static_cast<int>(std::min<uint32_t>(extents[1], 1024)),
                     static_cast<int>(std::min<uint32_t>(extents[3], 1024)));
    return frame;
}

// Bottom-most first, as X keeps them.
std::vector<xcb_window_t> stackedWindows(xcb_connection_t *x, xcb_window_t root)
{
    const std::vector<xcb_window_t> managed =
        property32<xcb_window_t>(x, root, atomNamed(x, "_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW);
    if (!managed.empty())
        return managed;
    const Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(x, xcb_query_tree(x, root), nullptr));
    if (!tree)
        return {};
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    return std::vector<xcb_window_t>(children, children + xcb_query_tree_children_length(tree.get()));
}

} // namespace

std::vector<QRect> StackedWindowFrames()
{
    const auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *x = x11 ? x11->connection() : nullptr;
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!x || !screen)
        return {};
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const xcb_atom_t extentsAtom = atomNamed(x, "_NET_FRAME_EXTENTS");
    const qreal ratio = screen->devicePixelRatio(); // X11 counts physical pixels
    std::vector<QRect> frames;
    const std::vector<xcb_window_t> windows = stackedWindows(x, root);
    for (auto window = windows.rbegin(); window != windows.rend(); ++window) {
        const QRect frame = frameOf(x, root, *window, extentsAtom);
        if (frame.isValid())
            frames.push_back(QRect(QPoint(qRound(frame.left() / ratio), qRound(frame.top() / ratio)),
                                   QSize(qRound(frame.width() / ratio), qRound(frame.height() / ratio))));
    }
    return frames;
}

} // namespace vistrel
