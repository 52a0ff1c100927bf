// The application event loop, timers, nested waits, ticks, mouse polling and the beep.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/types.h"

// Makes the application object when none exists yet. The paths among the arguments (after
// the program's name) are the documents the desktop asks the program to open. When it makes
// the application object from the program's command line, it also answers --help and
// --version, refuses unknown options, and hands the documents to the program the same user
// already runs (with none, that program comes to the front). Returns -1 when the program is
// to run, otherwise the status to end it with at once.
int InitToolbox(int argc, char** argv);

// Runs the application event loop until QuitApplicationEventLoop() is called.
void RunApplicationEventLoop();
void QuitApplicationEventLoop();

// Ticks (1/60 s) since the program started; tests may substitute the source.
std::uint32_t TickCount();

// Runs the event loop nested for at most `seconds`, or until QuitCurrentEventLoop() is
// called from inside it (for example by a USB completion). Returns 0 when quit, 1 on
// time-out.
int RunCurrentEventLoop(double seconds);
void QuitCurrentEventLoop();

// Waits until the tick count has advanced by ticks, the event loop running meanwhile so
// that windows keep being drawn.
void Delay(std::uint32_t ticks);
// A repeating timer on the application loop: first call after first_delay seconds, then
// every interval seconds. It lives for the rest of the run.
using EventLoopTimerProc = void (*)(void* user_data);
void InstallEventLoopTimer(double first_delay, double interval, EventLoopTimerProc proc,
                           void* user_data);

// The system beep.
void SysBeep(std::int16_t duration);  // duration is ignored; counted while tests record

// Mouse polling for tracking loops. StillDown waits for the next mouse event or one tick,
// whichever comes first (it never spins), and tells whether the button is still held.
bool StillDown();
bool Button();                       // the button's state now, without waiting
void GetMouse(Point* local);         // the pointer in the current port's coordinates
void GetGlobalMouse(Point* global);  // the pointer on the screen

// The open-documents request, delivered once the application event loop runs.
constexpr OSType kCoreEventClass = FOUR_CC("aevt");
constexpr OSType kAEOpenDocuments = FOUR_CC("odoc");
constexpr OSType keyDirectObject = FOUR_CC("----");
constexpr OSType keyMissedKeywordAttr = FOUR_CC("miss");
constexpr OSType typeAEList = FOUR_CC("list");
constexpr OSType typeWildCard = FOUR_CC("****");
constexpr OSErr errAECoercionFail = -1700;  // an item that is not a file
constexpr OSErr errAEDescNotFound = -1701;  // no parameter or attribute of that key

struct AppleEvent;  // a request: its direct parameter is the list of documents
struct AEDescList {
    std::vector<std::string> items;  // the documents' paths as the desktop gave them
};
using AEEventHandlerProcPtr = OSErr (*)(const AppleEvent* request, AppleEvent* reply, long ref_con);
// Installs the handler for (event_class, event_id); only the open-documents request exists.
// 0, or paramErr for another request.
OSErr AEInstallEventHandler(OSType event_class, OSType event_id, AEEventHandlerProcPtr proc,
                            long ref_con);
// The direct parameter as a list: 0, or errAEDescNotFound.
OSErr AEGetParamDesc(const AppleEvent* request, OSType keyword, OSType type, AEDescList* out);
// Reads an attribute: the request holds none, so always errAEDescNotFound.
OSErr AEGetAttributePtr(const AppleEvent* request, OSType keyword, OSType type);
OSErr AECountItems(const AEDescList* list, long* count);  // 0
// Item index (from 1) as a file specification: 0, errAECoercionFail (not a file path) or
// errAEDescNotFound (no such index).
OSErr AEGetNthFSSpec(const AEDescList* list, long index, FSSpec* out);
OSErr AEDisposeDesc(AEDescList* list);  // 0
