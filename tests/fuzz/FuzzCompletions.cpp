// libFuzzer entry: every input is a completion script (CompletionScript.h)
// played against one live main window on the scripted library.
#include "CompletionScript.h"

#include "app/MainWindowFixture.h"

#include <QApplication>

namespace {

// The application and the window live until the process ends and are never
// destroyed: at exit, Qt's own statics may be gone before them.
TForm1 *Form = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    (void)argc;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt gets its own arguments: libFuzzer's options are none of its business.
    static int qtArgc = 1;
    static char *qtArgv[] = {(*argv)[0], nullptr};
    new QApplication(qtArgc, qtArgv);
    Form = Fixture::StartedForm().release();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CompletionScript::Play(*Form, data, size);
    return 0;
}
