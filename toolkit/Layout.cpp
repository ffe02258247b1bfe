#include "Layout.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaProperty>
#include <QWidget>
#include <optional>
#include <vector>

#include "Colors.h"
#include "Errors.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "Timer.h"

namespace vx {

TClassRegistry& TClassRegistry::Instance() {
    static TClassRegistry registry;
    return registry;
}

void TClassRegistry::Register(const QString& className, Factory factory) {
    FFactories[className] = std::move(factory);
}

const TClassRegistry::Factory* TClassRegistry::Find(const QString& className) const {
    const auto it = FFactories.find(className);
    return it == FFactories.end() ? nullptr : &it->second;
}

void RegisterToolkitClasses() {
    TClassRegistry& registry = TClassRegistry::Instance();
    registry.RegisterControl<TEdit>(QStringLiteral("TEdit"));
    registry.RegisterControl<TLabel>(QStringLiteral("TLabel"));
    registry.RegisterControl<TPanel>(QStringLiteral("TPanel"));
    registry.RegisterControl<TImage>(QStringLiteral("TImage"));
    registry.RegisterComponent<TPopupMenu>(QStringLiteral("TPopupMenu"));
    registry.RegisterComponent<TTimer>(QStringLiteral("TTimer"));

    TEventRegistry& events = TEventRegistry::Instance();
    events.Add("OnClick", &TControl::OnClick);
    events.Add("OnDblClick", &TControl::OnDblClick);
    events.Add("OnMouseDown", &TControl::OnMouseDown);
    events.Add("OnMouseUp", &TControl::OnMouseUp);
    events.Add("OnMouseMove", &TControl::OnMouseMove);
    events.Add("OnMouseEnter", &TControl::OnMouseEnter);
    events.Add("OnMouseLeave", &TControl::OnMouseLeave);
    events.Add("OnKeyDown", &TControl::OnKeyDown);
    events.Add("OnKeyUp", &TControl::OnKeyUp);
    events.Add("OnKeyPress", &TControl::OnKeyPress);
    events.Add("OnEnter", &TControl::OnEnter);
    events.Add("OnExit", &TControl::OnExit);
    events.Add("OnResize", &TControl::OnResize);
    events.Add("OnChange", &TEdit::OnChange);
    events.Add("OnCreate", &TForm::OnCreate);
    events.Add("OnDestroy", &TForm::OnDestroy);
    events.Add("OnShow", &TForm::OnShow);
    events.Add("OnHide", &TForm::OnHide);
    events.Add("OnTimer", &TTimer::OnTimer);
    events.Add("OnPopup", &TPopupMenu::OnPopup);
}

namespace {

enum class TokenKind { Ident, Integer, String, Symbol, Binary, End };

struct Token {
    TokenKind Kind = TokenKind::End;
    QString Text;
    qint64 Number = 0;
    QByteArray Bytes;
    int Line = 0;
};

class Lexer {
  public:
    Lexer(QString layout, const QByteArray& text)
        : FLayout(std::move(layout)), FText(QString::fromUtf8(text)) {}

    Token Next() {
        SkipBlanks();
        Token t;
        t.Line = FLine;
        if (FPos >= FText.size()) {
            return t;
        }
        const QChar c = FText[FPos];
        if (c.isLetter() || c == u'_') {
            const qsizetype start = FPos;
            while (FPos < FText.size() &&
                   (FText[FPos].isLetterOrNumber() || FText[FPos] == u'_' || FText[FPos] == u'.')) {
                ++FPos;
            }
            t.Kind = TokenKind::Ident;
            t.Text = FText.mid(start, FPos - start);
            return t;
        }
        if (c.isDigit() || (c == u'-' && FPos + 1 < FText.size() && FText[FPos + 1].isDigit())) {
            const qsizetype start = FPos++;
            while (FPos < FText.size() && FText[FPos].isDigit()) {
                ++FPos;
            }
            bool ok = false;
            t.Kind = TokenKind::Integer;
            t.Text = FText.mid(start, FPos - start);
            t.Number = t.Text.toLongLong(&ok);
            if (!ok) {
                throw Error(t.Line, QStringLiteral("number out of range: %1").arg(t.Text));
            }
            return t;
        }
        if (c == u'\'') {
            t.Kind = TokenKind::String;
            t.Text = ReadString();
            return t;
        }
        if (c == u'{') {
            t.Kind = TokenKind::Binary;
            t.Bytes = ReadBinary();
            return t;
        }
        t.Kind = TokenKind::Symbol;
        t.Text = c;
        ++FPos;
        return t;
    }

    ELayoutError Error(int line, const QString& message) const {
        return ELayoutError(
            QStringLiteral("layout %1, line %2: %3").arg(FLayout).arg(line).arg(message));
    }

  private:
    void SkipBlanks() {
        while (FPos < FText.size()) {
            const QChar c = FText[FPos];
            if (c == u'\n') {
                ++FLine;
                ++FPos;
            } else if (c.isSpace()) {
                ++FPos;
            } else if (c == u'/' && FPos + 1 < FText.size() && FText[FPos + 1] == u'/') {
                while (FPos < FText.size() && FText[FPos] != u'\n') {
                    ++FPos;
                }
            } else {
                break;
            }
        }
    }

    QString ReadString() {
        const int line = FLine;
        QString out;
        ++FPos;
        while (true) {
            if (FPos >= FText.size() || FText[FPos] == u'\n') {
                throw Error(line, QStringLiteral("unterminated string"));
            }
            if (FText[FPos] == u'\'') {
                if (FPos + 1 < FText.size() && FText[FPos + 1] == u'\'') {
                    out += u'\'';
                    FPos += 2;
                    continue;
                }
                ++FPos;
                return out;
            }
            out += FText[FPos++];
        }
    }

    QByteArray ReadBinary() {
        const int line = FLine;
        QByteArray hex;
        ++FPos;
        while (true) {
            if (FPos >= FText.size()) {
                throw Error(line, QStringLiteral("unterminated binary block"));
            }
            const QChar c = FText[FPos++];
            if (c == u'}') {
                break;
            }
            if (c == u'\n') {
                ++FLine;
            } else if (!c.isSpace()) {
                if (!isxdigit(c.toLatin1())) {
                    throw Error(FLine, QStringLiteral("bad character '%1' in binary block").arg(c));
                }
                hex += c.toLatin1();
            }
        }
        if (hex.size() % 2 != 0) {
            throw Error(line, QStringLiteral("binary block has an odd number of digits"));
        }
        return QByteArray::fromHex(hex);
    }

    QString FLayout;
    QString FText;
    qsizetype FPos = 0;
    int FLine = 1;
};

class Reader {
  public:
    Reader(const QString& layout, const QByteArray& text, TForm& root)
        : FLexer(layout, text), FRoot(root) {}

    void Run() {
        Advance();
        ReadObject(nullptr);
        if (FToken.Kind != TokenKind::End) {
            throw FLexer.Error(FToken.Line, QStringLiteral("text after the last 'end'"));
        }
        for (QObject* object : FCreated) {
            if (auto* target = dynamic_cast<ILayoutTarget*>(object)) {
                target->Loaded();
            }
        }
    }

  private:
    void Advance() { FToken = FLexer.Next(); }

    void Expect(const QString& symbol) {
        if (FToken.Text != symbol ||
            (FToken.Kind != TokenKind::Symbol && FToken.Kind != TokenKind::Ident)) {
            throw FLexer.Error(FToken.Line, QStringLiteral("'%1' expected").arg(symbol));
        }
        Advance();
    }

    QString ExpectIdent(const char* what) {
        if (FToken.Kind != TokenKind::Ident) {
            throw FLexer.Error(FToken.Line, QStringLiteral("%1 expected").arg(QLatin1String(what)));
        }
        QString text = FToken.Text;
        Advance();
        return text;
    }

    void ReadObject(QObject* parent) {
        Expect(QStringLiteral("object"));
        const int line = FToken.Line;
        const QString name = ExpectIdent("object name");
        Expect(QStringLiteral(":"));
        const QString className = ExpectIdent("class name");
        QObject* object = nullptr;
        if (parent == nullptr) {
            QString rootClass = QString::fromLatin1(FRoot.metaObject()->className());
            rootClass = rootClass.mid(rootClass.lastIndexOf(u':') + 1);
            if (rootClass != className) {
                throw FLexer.Error(
                    line, QStringLiteral("the layout is for %1, not %2").arg(className, rootClass));
            }
            object = &FRoot;
        } else {
            const TClassRegistry::Factory* factory = TClassRegistry::Instance().Find(className);
            if (factory == nullptr) {
                throw FLexer.Error(line, QStringLiteral("unknown class %1").arg(className));
            }
            object = (*factory)(parent);
            if (object == nullptr) {
                throw FLexer.Error(line, QStringLiteral("%1 cannot be placed inside %2")
                                             .arg(className, parent->objectName()));
            }
            if (qobject_cast<QWidget*>(object) == nullptr && object->parent() != &FRoot) {
                object->setParent(&FRoot);
            }
        }
        object->setObjectName(name);
        FCreated.push_back(object);
        if (auto* target = dynamic_cast<ILayoutTarget*>(object)) {
            target->Loading();
        }
        while (!(FToken.Kind == TokenKind::Ident && FToken.Text == QLatin1String("end"))) {
            if (FToken.Kind == TokenKind::End) {
                throw FLexer.Error(FToken.Line, QStringLiteral("'end' of %1 expected").arg(name));
            }
            if (FToken.Kind == TokenKind::Ident && FToken.Text == QLatin1String("object")) {
                ReadObject(object);
            } else {
                ReadAssignment(object);
            }
        }
        Advance();
    }

    TLayoutValue ReadValue(const QString& property) {
        const Token t = FToken;
        Advance();
        switch (t.Kind) {
            case TokenKind::Integer:
                return t.Number;
            case TokenKind::Binary:
                return t.Bytes;
            case TokenKind::String: {
                QString text = t.Text;
                while (FToken.Kind == TokenKind::Symbol && FToken.Text == QLatin1String("+")) {
                    Advance();
                    if (FToken.Kind != TokenKind::String) {
                        throw FLexer.Error(
                            FToken.Line,
                            QStringLiteral("property %1: string expected after '+'").arg(property));
                    }
                    text += FToken.Text;
                    Advance();
                }
                return text;
            }
            case TokenKind::Ident:
                if (t.Text == QLatin1String("True")) {
                    return true;
                }
                if (t.Text == QLatin1String("False")) {
                    return false;
                }
                return TIdent{t.Text};
            case TokenKind::Symbol:
                if (t.Text == QLatin1String("[")) {
                    TSetValue set;
                    while (
                        !(FToken.Kind == TokenKind::Symbol && FToken.Text == QLatin1String("]"))) {
                        if (FToken.Kind != TokenKind::Ident) {
                            throw FLexer.Error(
                                FToken.Line,
                                QStringLiteral("property %1: malformed set").arg(property));
                        }
                        set.Members.append(FToken.Text);
                        Advance();
                        if (FToken.Kind == TokenKind::Symbol && FToken.Text == QLatin1String(",")) {
                            Advance();
                        }
                    }
                    Advance();
                    return set;
                }
                break;
            case TokenKind::End:
                break;
        }
        throw FLexer.Error(t.Line, QStringLiteral("property %1: malformed value").arg(property));
    }

    void ReadAssignment(QObject* object) {
        const int line = FToken.Line;
        const QString path = ExpectIdent("property name");
        Expect(QStringLiteral("="));
        const TLayoutValue value = ReadValue(path);
        const auto fail = [&](const QString& why) {
            return FLexer.Error(line, QStringLiteral("property %1: %2").arg(path, why));
        };

        QStringList parts = path.split(u'.');
        QObject* target = object;
        for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
            const QVariant sub = target->property(parts[i].toLatin1().constData());
            QObject* next = sub.isValid() && (sub.metaType().flags() & QMetaType::PointerToQObject)
                                ? sub.value<QObject*>()
                                : nullptr;
            if (next == nullptr) {
                throw fail(QStringLiteral("unknown property"));
            }
            target = next;
        }
        const QString name = parts.back();

        if (const auto* bind = TEventRegistry::Instance().Find(target->metaObject(), name)) {
            const auto* handlerName = std::get_if<TIdent>(&value);
            if (handlerName == nullptr) {
                throw fail(QStringLiteral("handler name expected"));
            }
            const std::any* handler = FRoot.Handlers().Find(handlerName->Name);
            if (handler == nullptr) {
                throw fail(QStringLiteral("unknown handler %1").arg(handlerName->Name));
            }
            if (!(*bind)(target, *handler)) {
                throw fail(
                    QStringLiteral("handler %1 does not fit the event").arg(handlerName->Name));
            }
            return;
        }

        const int index = target->metaObject()->indexOfProperty(name.toLatin1().constData());
        if (index < 0) {
            auto* extra = dynamic_cast<ILayoutTarget*>(target);
            try {
                if (extra != nullptr && extra->ReadExtra(name, value)) {
                    return;
                }
            } catch (const Exception& error) {
                throw fail(error.Message());
            }
            throw fail(QStringLiteral("unknown property"));
        }
        const QMetaProperty property = target->metaObject()->property(index);
        if (!property.isWritable()) {
            throw fail(QStringLiteral("read-only property"));
        }
        const QVariant converted = Convert(property, value, fail);
        try {
            if (!property.write(target, converted)) {
                throw fail(QStringLiteral("value not accepted"));
            }
        } catch (const ELayoutError&) {
            throw;
        } catch (const Exception& error) {
            throw fail(error.Message());
        }
    }

    template <class Fail>
    QVariant Convert(const QMetaProperty& property, const TLayoutValue& value, const Fail& fail) {
        if (property.isFlagType()) {
            const auto* set = std::get_if<TSetValue>(&value);
            if (set == nullptr) {
                throw fail(QStringLiteral("set expected"));
            }
            const QMetaEnum meta = property.enumerator();
            int flags = 0;
            for (const QString& member : set->Members) {
                bool ok = false;
                const int bit = meta.keyToValue(member.toLatin1().constData(), &ok);
                if (!ok) {
                    throw fail(QStringLiteral("unknown set member %1").arg(member));
                }
                flags |= bit;
            }
            return QVariant(property.metaType(), &flags);
        }
        if (property.isEnumType()) {
            const auto* ident = std::get_if<TIdent>(&value);
            if (ident == nullptr) {
                throw fail(QStringLiteral("enumeration name expected"));
            }
            bool ok = false;
            const int number =
                property.enumerator().keyToValue(ident->Name.toLatin1().constData(), &ok);
            if (!ok) {
                throw fail(QStringLiteral("unknown enumeration name %1").arg(ident->Name));
            }
            return QVariant(property.metaType(), &number);
        }
        switch (property.metaType().id()) {
            case QMetaType::Bool:
                if (const auto* b = std::get_if<bool>(&value)) {
                    return *b;
                }
                throw fail(QStringLiteral("True or False expected"));
            case QMetaType::Int: {
                if (const auto* n = std::get_if<qint64>(&value)) {
                    if (*n < INT32_MIN || *n > UINT32_MAX) {
                        throw fail(QStringLiteral("number out of range"));
                    }
                    return static_cast<int>(static_cast<std::int32_t>(*n));
                }
                if (const auto* ident = std::get_if<TIdent>(&value)) {
                    if (const std::optional<int> number = IdentToInt(ident->Name)) {
                        return *number;
                    }
                    throw fail(QStringLiteral("unknown name %1").arg(ident->Name));
                }
                throw fail(QStringLiteral("number expected"));
            }
            case QMetaType::QString:
                if (const auto* s = std::get_if<QString>(&value)) {
                    return *s;
                }
                throw fail(QStringLiteral("string expected"));
            case QMetaType::QByteArray:
                if (const auto* bytes = std::get_if<QByteArray>(&value)) {
                    return *bytes;
                }
                throw fail(QStringLiteral("binary block expected"));
            default:
                throw fail(QStringLiteral("cannot be stored in a layout"));
        }
    }

    Lexer FLexer;
    TForm& FRoot;
    Token FToken;
    std::vector<QObject*> FCreated;
};

}  // namespace

void TLayoutReader::Read(const QString& layoutName, const QByteArray& text, TForm& root) {
    Reader(layoutName, text, root).Run();
}

void TLayoutReader::ReadFile(const QString& path, TForm& root) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw ELayoutError(
            QStringLiteral("layout %1 cannot be read: %2").arg(path, file.errorString()));
    }
    Read(QFileInfo(path).fileName(), file.readAll(), root);
}

}  // namespace vx
