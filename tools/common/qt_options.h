// The command line of the Qt tools through QCommandLineParser, with the mistakes worded as
// the Qt-free tools word theirs ("unknown option '--x'", "--x needs a value"). Header only:
// the Qt-free tools' library does not link Qt.
#pragma once

#include <QCommandLineParser>
#include <QHash>
#include <QStringList>
#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace qt_options {

struct Parsed {
    bool help = false; ///< "--help" or "-h"
    /// The options in the order given, as typed with their dashes ("--unit", "-o"), each
    /// with its value (empty for a flag); an option given twice is listed twice.
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> operands;
    std::string error; ///< the mistake that stopped parsing; empty when there was none
};

/// The option name as typed: "-o" for a letter, "--unit" for a word.
inline std::string Dashed(const QString& name) {
    return (name.size() == 1 ? "-" : "--") + name.toStdString();
}

/// Parses `args` (after the program name). `valueOptions` and `flags` are names without
/// dashes ("unit", "o"); "--name VALUE", "--name=VALUE" and "-o VALUE" are accepted, a value
/// is taken as given even when it starts with "-", and "-" alone is an operand.
inline Parsed Parse(const std::vector<std::string>& args,
                    std::initializer_list<const char*> valueOptions,
                    std::initializer_list<const char*> flags = {}) {
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(help);
    for (const char* name : flags)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
    QStringList valueNames;
    for (const char* name : valueOptions) {
        valueNames << QString::fromLatin1(name);
        parser.addOption(QCommandLineOption(valueNames.back(), QString(), QStringLiteral("value")));
    }
    QStringList list{QStringLiteral("tool")};
    for (const std::string& arg : args)
        list << QString::fromStdString(arg);

    Parsed parsed;
    if (!parser.parse(list)) {
        const QStringList unknown = parser.unknownOptionNames();
        const bool lastWantsValue =
            !args.empty() &&
            std::any_of(valueNames.begin(), valueNames.end(),
                        [&](const QString& n) { return Dashed(n) == args.back(); });
        if (!unknown.isEmpty())
            parsed.error = "unknown option '" + Dashed(unknown.front()) + "'";
        else if (lastWantsValue)
            parsed.error = args.back() + " needs a value";
        else
            parsed.error = parser.errorText().toStdString();
        return parsed;
    }
    parsed.help = parser.isSet(help);
    QHash<QString, int> seen;
    for (const QString& name : parser.optionNames()) {
        if (name == QLatin1String("h") || name == QLatin1String("help"))
            continue;
        const int nth = seen[name]++;
        parsed.options.emplace_back(Dashed(name), parser.values(name).value(nth).toStdString());
    }
    for (const QString& operand : parser.positionalArguments())
        parsed.operands.push_back(operand.toStdString());
    return parsed;
}

} // namespace qt_options
