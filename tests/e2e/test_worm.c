/* A harmless stand-in for a worm in the end-to-end tests: it only waits (at most ten minutes), either as a
   plain program or, given -service, as a service that stops when asked. */
#include "platform/win32/win32_api.h"
#include <string.h>

static const DWORD kLifetimeMs = 10 * 60 * 1000;

static SERVICE_STATUS_HANDLE statusHandle;
static HANDLE stopEvent;

static void ReportState(DWORD state) {
    SERVICE_STATUS status = {0};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWaitHint = state == SERVICE_STOP_PENDING ? 1000 : 0;
    SetServiceStatus(statusHandle, &status);
}

static DWORD WINAPI Handler(DWORD control, DWORD eventType, LPVOID eventData, LPVOID context) {
    (void)eventType, (void)eventData, (void)context;
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        ReportState(SERVICE_STOP_PENDING);
        SetEvent(stopEvent);
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

static void WINAPI ServiceMain(DWORD argc, LPSTR* argv) {
    (void)argc, (void)argv;
    statusHandle = RegisterServiceCtrlHandlerExA("", Handler, NULL);
    if (!statusHandle) return;
    ReportState(SERVICE_RUNNING);
    WaitForSingleObject(stopEvent, kLifetimeMs);
    ReportState(SERVICE_STOPPED);
}

int main(int argc, char** argv) {
    if (argc > 1 && strcmp(argv[1], "-service") == 0) {
        SERVICE_TABLE_ENTRYA table[] = {{"", ServiceMain}, {NULL, NULL}};
        stopEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
        return StartServiceCtrlDispatcherA(table) ? 0 : 1;
    }
    Sleep(kLifetimeMs);
    return 0;
}
