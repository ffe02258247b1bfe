// Window layouts: text files of objects (class, name, property assignments, children, event
// bindings by handler name), read into a window through the same setters code uses.
//
//   object Form1: TForm1
//     Caption = 'Verinox 1.0'          strings in single quotes, '' for a quote, + joins
//     Font.Style = [fsBold]            nested paths, sets
//     Color = clWhite                  numbers, enumeration, colour and cursor names, True/False
//     OnCreate = FormCreate            events bound to the window's handlers
//     object Timer1: TTimer            children
//       Interval = 3700
//     end
//     Picture.Data = {0954...}         binary blocks in hexadecimal
//   end
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <map>

#include "LayoutValue.h"

namespace vx {

class TForm;

// Creates layout objects by class name; the parent is the object the layout nests them in.
class TClassRegistry {
  public:
    using Factory = std::function<QObject*(QObject* parent)>;
    static TClassRegistry& Instance();

    void Register(const QString& className, Factory factory);
    // A control is placed inside its parent control; a component belongs to the window.
    template <class Control>
    void RegisterControl(const QString& className) {
        Register(className, [](QObject* parent) -> QObject* {
            auto* widget = qobject_cast<QWidget*>(parent);
            return widget != nullptr ? new Control(widget) : nullptr;
        });
    }
    template <class Component>
    void RegisterComponent(const QString& className) {
        Register(className, [](QObject* parent) -> QObject* { return new Component(parent); });
    }
    const Factory* Find(const QString& className) const;

  private:
    std::map<QString, Factory> FFactories;
};

// Registers the toolkit's own layout classes (TEdit, TLabel, TPanel, TButton, TImage, TPopupMenu,
// TTimer).
void RegisterToolkitClasses();

class TLayoutReader {
  public:
    // Reads a layout into an existing window; errors name the layout, the line and the property.
    static void Read(const QString& layoutName, const QByteArray& text, TForm& root);
    static void ReadFile(const QString& path, TForm& root);
};

}  // namespace vx
