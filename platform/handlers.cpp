// Event handlers on windows and on the application, their chains and the standard handling.

#include <QWidget>
#include <algorithm>

#include "platform/events.h"
#include "platform/qt_window.h"

struct OpaqueEventHandlerCallRef {
    struct Link {
        EventHandlerProcPtr proc;
        void* user_data;
    };
    std::vector<Link> chain;  // the handlers still to call, newest first
    std::size_t next = 0;
    WindowRef target;
    bool standard_done = false;
};

namespace {

std::vector<std::unique_ptr<OpaqueEventHandlerRef>> g_app_handlers;  // oldest first

bool wants(const OpaqueEventHandlerRef& h, const OpaqueEventRef* e) {
    return std::any_of(h.types.begin(), h.types.end(), [e](const EventTypeSpec& t) {
        return t.eventClass == e->event_class && t.eventKind == e->kind;
    });
}

// What the toolkit does with an event that no handler took.
OSStatus standard_handling(WindowRef target, OpaqueEventRef* e) {
    if (!target) {
        if (e->event_class == kEventClassCommand && e->has_command &&
            e->command.commandID == FOUR_CC("quit")) {
            QuitApplicationEventLoop();
            return noErr;
        }
        return eventNotHandledErr;
    }
    if (e->event_class == kEventClassMouse && e->kind == kEventMouseDown) {
        // A press in the content brings the window forward; what it means is the program's.
        SelectWindow(target);
        return eventNotHandledErr;
    }
    if (e->event_class == kEventClassWindow && e->kind == kEventWindowClose) {
        DisposeWindow(target);
        return noErr;
    }
    if (e->event_class == kEventClassWindow && e->kind == kEventWindowUpdate) {
        const Rect drawn = draw_invalid_content(target);
        if (!EmptyRect(&drawn) && !target->painting && target->widget->isVisible())
            target->widget->repaint(
                QRect(drawn.left, drawn.top, drawn.right - drawn.left, drawn.bottom - drawn.top));
        return noErr;
    }
    return eventNotHandledErr;
}

OSStatus continue_chain(EventHandlerCallRef call, EventRef event) {
    while (call->next < call->chain.size()) {
        const auto link = call->chain[call->next++];
        const OSStatus result = link.proc(call, event, link.user_data);
        // A handler that passed the event on has already run the rest of the chain.
        if (result != eventNotHandledErr || call->standard_done) return result;
    }
    if (call->standard_done) return eventNotHandledErr;
    call->standard_done = true;
    return standard_handling(call->target, event);
}

OSStatus install(std::vector<std::unique_ptr<OpaqueEventHandlerRef>>& list, WindowRef target,
                 EventHandlerProcPtr proc, std::uint32_t count, const EventTypeSpec* types,
                 void* user_data, EventHandlerRef* out) {
    auto h = std::make_unique<OpaqueEventHandlerRef>(OpaqueEventHandlerRef{
        proc, std::vector<EventTypeSpec>(types, types + count), user_data, target});
    if (out) *out = h.get();
    list.push_back(std::move(h));
    return noErr;
}

}  // namespace

OSStatus dispatch_event(WindowRef target, OpaqueEventRef* event) {
    OpaqueEventHandlerCallRef call;
    call.target = target;
    const auto& list = target ? target->handlers : g_app_handlers;
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (wants(**it, event)) call.chain.push_back({(*it)->proc, (*it)->user_data});
    return continue_chain(&call, event);
}

void remove_all_application_handlers() {
    g_app_handlers.clear();
}

OSStatus InstallApplicationEventHandler(EventHandlerProcPtr proc, std::uint32_t count,
                                        const EventTypeSpec* types, void* user_data,
                                        EventHandlerRef* out) {
    return install(g_app_handlers, nullptr, proc, count, types, user_data, out);
}

OSStatus InstallWindowEventHandler(WindowRef window, EventHandlerProcPtr proc, std::uint32_t count,
                                   const EventTypeSpec* types, void* user_data,
                                   EventHandlerRef* out) {
    return install(window->handlers, window, proc, count, types, user_data, out);
}

OSStatus RemoveEventHandler(EventHandlerRef handler) {
    auto& list = handler->target ? handler->target->handlers : g_app_handlers;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [handler](const auto& h) { return h.get() == handler; }),
               list.end());
    return noErr;
}

OSStatus CallNextEventHandler(EventHandlerCallRef next, EventRef event) {
    return continue_chain(next, event);
}

OSType GetEventClass(EventRef event) {
    return event->event_class;
}
std::uint32_t GetEventKind(EventRef event) {
    return event->kind;
}

OSStatus GetEventCommand(EventRef event, HICommand* out) {
    if (!event->has_command) return eventParameterNotFoundErr;
    *out = event->command;
    return noErr;
}

OSStatus GetEventMouseLocation(EventRef event, Point* global_out) {
    if (!event->has_mouse) return eventParameterNotFoundErr;
    *global_out = event->mouse;
    return noErr;
}

OSStatus GetEventWheel(EventRef event, std::uint16_t* axis, std::int32_t* delta) {
    if (!event->has_wheel) return eventParameterNotFoundErr;
    *axis = event->wheel_axis;
    *delta = event->wheel_delta;
    return noErr;
}

OSStatus GetEventKeyChar(EventRef event, std::uint8_t* char_code) {
    if (!event->has_key) return eventParameterNotFoundErr;
    *char_code = event->key_char;
    return noErr;
}

OSStatus GetEventWindow(EventRef event, WindowRef* out) {
    if (!event->window) return eventParameterNotFoundErr;
    *out = event->window;
    return noErr;
}

OSStatus ProcessHICommand(OSType command) {
    OpaqueEventRef ev{kEventClassCommand, kEventCommandProcess};
    ev.has_command = true;
    ev.command.commandID = command;
    return dispatch_event(nullptr, &ev);
}
