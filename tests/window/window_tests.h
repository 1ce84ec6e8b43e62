#pragma once
// The window's test classes; window_tests.cpp runs one of them (by name) or
// all of them.

#include <QObject>

class WidgetsTest : public QObject {
    Q_OBJECT
private slots:
    void lamp();
    void hexEditTyping();
    void hexEditNumbers_data();
    void hexEditNumbers();
    void imageComboItems();
};

class FormTest : public QObject {
    Q_OBJECT
private slots:
    void cleanupTestCase();
    void everyControlOfTheForm_data();
    void everyControlOfTheForm();
    void startUpLook();
    void listsAndPictures();
    void captions_data();
    void captions();
    void pageDownFromAnyControl();
    void customerLogo_data();
    void customerLogo();
    void languageDialog();
};

class LanguageStoreTest : public QObject {
    Q_OBJECT
private slots:
    void reading_data();
    void reading();
    void writingAndAsking();
    void failingWriteReportedOnce();
};

class HandOverTest : public QObject {
    Q_OBJECT
private slots:
    void twoProcesses_data();
    void twoProcesses();
    void socketPlace();
    void otherUsersAreRefused();
};

class SettingsSideTest : public QObject {
    Q_OBJECT
private slots:
    void passwordDialog_data();
    void passwordDialog();
    void lockGesture();
    void models_data();
    void models();
    void settingControls();
    void failedVidReadKeepsTheBox();
    void numberingPanel();
    void engineeringPages();
    void languages();
};

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startUpAndClose_data();
    void startUpAndClose();
    void startUpRefusalToldFirstAndCentred();
    void goRefused_data();
    void goRefused();
    void pageDownPasses();
    void goAndTheStrip_data();
    void goAndTheStrip();
    void autoRunWhenStartedWithArgument();
    void arguments_data();
    void arguments();
    void eraseButtonsFollowTheirBoxes();
    void shutdownWaitsForAnErase();
    void connectShowsItsProgress();
    void twoProcesses();
};
