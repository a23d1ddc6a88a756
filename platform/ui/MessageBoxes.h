#pragma once
// The program's message boxes. Their titles and buttons are French whatever the
// interface language: "Erreur" with OK, and "Confirmation" with &Oui, &Non, Annuler.
#include <QString>

#include "DialogHost.h"

class QWidget;

namespace platform {

// The application title: it heads the standard error box and every main window caption.
void SetApplicationTitle(const QString &title);
QString ApplicationTitle();

// "Erreur", error icon, OK.
void ErrorBox(const QString &text, QWidget *parent = nullptr);

// "Confirmation", question icon, &Oui / &Non / Annuler; closing the box is Cancel.
MessageResult ConfirmBox(const QString &text, QWidget *parent = nullptr);

// A word of information under the application title, information icon, OK.
void InformationBox(const QString &text, QWidget *parent = nullptr);

// The application's standard error box: the failure's text with the full-stop rule,
// under the application title, error icon, OK.
void ShowStandardError(const QString &text, QWidget *parent = nullptr);

}  // namespace platform
