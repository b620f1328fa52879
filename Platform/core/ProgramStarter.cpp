#include "ProgramStarter.h"

#include <QFile>
#include <QProcess>

#include <unistd.h>
#include <cerrno>

namespace {

class DetachedProgramStarter final : public ProgramStarter {
public:
    int Start(const std::string& program, const std::vector<std::string>& arguments,
              const std::string& directory) override {
        // QProcess tells only that the start failed; the common reasons have a code of their own.
        if (access(program.c_str(), X_OK) != 0) return errno;
        QStringList list;
        for (const std::string& argument : arguments) list << QString::fromStdString(argument);
        return QProcess::startDetached(QFile::decodeName(program.c_str()), list,
                                       QFile::decodeName(directory.c_str()))
                   ? 0
                   : ENOEXEC;
    }
};

}  // namespace

ServiceSlot<ProgramStarter>& ProgramStarter::Slot() {
    static ServiceSlot<ProgramStarter> slot(
        [] { return std::unique_ptr<ProgramStarter>(std::make_unique<DetachedProgramStarter>()); });
    return slot;
}
