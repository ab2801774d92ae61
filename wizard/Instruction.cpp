#include "wizard/Instruction.h"

#include <exception>

#include "app/Application.h"
#include "app/MessageBoxFlags.h"
#include "platform/AppError.h"
#include "ui/VelmarMaster.h"

namespace velmar::wizard {

Text instructionPath(TextView executablePath) {
    const std::size_t separator = executablePath.find_last_of(u"\\:");
    Text directory;
    if (separator != TextView::npos) {
        directory = Text(executablePath.substr(0, separator));
        // "C:" alone names the drive's current folder, not its root: keep the root's separator.
        if (directory.empty() || directory.back() == u':' || executablePath[separator] == u':') {
            directory = Text(executablePath.substr(0, separator + 1));
        }
    }
    if (directory.empty() || directory.back() != u'\\') {
        directory += u'\\';
    }
    return directory + kInstructionDocument;
}

Text shellFailureMessage(std::uint64_t code) {
    struct Entry {
        std::uint64_t code;
        const char16_t* message;
    };
    static constexpr Entry kMessages[] = {
        {2, u"Файл не найден"},
        {3, u"Путь не найден"},
        {5, u"Доступ к файлу запрещен"},
        // Written so on purpose: a Latin "He" begins it.
        {8, u"He хватает памяти"},
        {26, u"Файл захвачен другим пользователем"},
        {27, u"Не полная информация о связанном с файлом приложении"},
        {28, u"Истекло время на выполнение операции DDE"},
        {29, u"Ошибочная операция DDE"},
        {30, u"Операция DDE занята"},
        {31, u"Нет приложения, связанного с файлом"},
        {32, u"Не найдена необходимая DLL"},
    };
    for (const auto& entry : kMessages) {
        if (entry.code == code) {
            return entry.message;
        }
    }
    return {};
}

Text documentErrorText(TextView message) {
    return u"Ошибка:  " + Text(message);
}

}  // namespace velmar::wizard

namespace velmar::ui {

void TfrmVelmarMaster::lblShowDocClick() {
    OpenInstruction();
}

void TfrmVelmarMaster::OpenInstruction() {
    // Nothing here reaches the general error report: every failure ends in the document box.
    try {
        Text message;
        const ShellOpenOutcome outcome =
            services_.openWithShell(wizard::instructionPath(services_.executablePath()));
        if (!outcome.succeeded) {
            message = wizard::shellFailureMessage(outcome.failureCode);
        }
        if (!message.empty()) {
            services_.messageBox(wizard::documentErrorText(message), app::kApplicationTitle,
                                 mb::kOk | mb::kIconError);
        }
    } catch (const std::exception& error) {
        services_.messageBox(wizard::documentErrorText(errorText(error)), app::kApplicationTitle,
                             mb::kOk | mb::kIconError);
    }
}

}  // namespace velmar::ui
