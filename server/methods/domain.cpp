#include "server/methods/domain.h"

#include "server/methods/methodsupport.h"

#include <cmath>
#include <cstring>

namespace dieta::server {

namespace {

struct CodeArgument {
    const char* name;
    int width;
    const char* what;
};

// The single-code arguments of the method table and the widths of their columns. Lists
// ("patients", "beds", ...) are checked code by code where they are parsed.
const CodeArgument codeArguments[] = {
    {"branch", 4, "Filial"},
    {"patient", 12, "Paciente"},
    {"sequence", 2, "Sequência"},
    {"service", 5, "Serviço"},
    {"diet", 4, "Dieta"},
    {"dietGroup", 4, "Grupo de dieta"},
    {"dish", 10, "Prato"},
    {"dishBranch", 4, "Filial do prato"},
    {"operatorCode", 12, "Operador"},
    {"serviceGroup", 3, "Grupo de serviços"},
    {"nutrientGroup", 2, "Grupo de nutriente"},
};

double rounded(double value, double scale) {
    return std::isfinite(value) ? std::round(value * scale) / scale : value;
}

} // namespace

QVariant checkedAmount(const QVariant& value, const QString& what) {
    if (value.isNull())
        return QVariant();
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || !std::isfinite(number) || std::fabs(number) > kMaxAmount)
        throw MethodError(QStringLiteral("%1: valor inválido; informe um número entre -%2 e %2.")
                              .arg(what)
                              .arg(kMaxAmount, 0, 'f', 0));
    return number;
}

bool isServiceDate(QDate date) {
    return date.isValid() && date.year() >= kFirstYear && date.year() <= kLastYear;
}

QDate checkedDate(QDate date, const QString& what) {
    if (date.isValid() && !isServiceDate(date))
        throw MethodError(QStringLiteral("%1: data fora do intervalo de %2 a %3.")
                              .arg(what)
                              .arg(kFirstYear)
                              .arg(kLastYear));
    return date;
}

QString argumentRefusal(const contracts::rdm::MethodDecl& method, const QVariantList& args) {
    for (qsizetype i = 0; i < method.args.size() && i < args.size(); ++i) {
        const contracts::rdm::ArgDecl& arg = method.args[i];
        if (arg.kind != contracts::rdm::ArgKind::String || arg.byRef())
            continue;
        for (const CodeArgument& code : codeArguments) {
            if (std::strcmp(code.name, arg.name) != 0)
                continue;
            const QString text = args[i].toString().trimmed();
            if (text.size() > code.width)
                return QStringLiteral("%1: \"%2\" tem mais de %3 caracteres.")
                    .arg(QString::fromUtf8(code.what), text.left(40))
                    .arg(code.width);
        }
    }
    return QString();
}

double roundedTotal(double value) {
    return rounded(value, 1e5);
}

double roundedShare(double value) {
    return rounded(value, 1e3);
}

} // namespace dieta::server
