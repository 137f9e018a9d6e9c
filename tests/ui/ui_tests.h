// The screen test classes; main.cpp runs them (all, or the one named on the command line).
#pragma once

#include <QObject>

#include "support/uitest.h"

class ShellTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void uncheckedBoxesReadOnTheWindow();
    void questionsDefaultToTheSafeAnswer_data();
    void questionsDefaultToTheSafeAnswer();
    void returnWithEditsFollowsTheAnswer_data();
    void returnWithEditsFollowsTheAnswer();
    void returnWithoutEditsGoesHomeWithoutAsking();
    void closeWithEditsAsksTheSaveQuestionNotTheExitQuestion_data();
    void closeWithEditsAsksTheSaveQuestionNotTheExitQuestion();
    void closeWithoutEditsAsksTheExitQuestion_data();
    void closeWithoutEditsAsksTheExitQuestion();
    void saveRoutingByPage_data();
    void saveRoutingByPage();
    void viewerIsRefusedBeforeThePageSaves();
    void openingAPageLoadsItAndSetsItsStatus_data();
    void openingAPageLoadsItAndSetsItsStatus();
    void aPageThatFailsToLoadReportsAndGoesHome();
    void timetableEntriesOpenTheirPage_data();
    void timetableEntriesOpenTheirPage();
    void timetableStepIsClosedWithoutAssignments();
    void switchingTablesKeepsTheEdits();
    void helpOpensTheTopicOfThePage_data();
    void helpOpensTheTopicOfThePage();
    void helpFallsBackToItsOwnWindow();
    void placeholdersSayTheStepIsUnderConstruction();
    void registeredPagesReplacePlaceholders();
    void switchButtonsKeepTheirPlace();
    void messageBoxesHaveTheKitSignsAndRoom();
    void rowsNotLoadedAreToldFirst();
    void invalidUtf8ShowsAsInTheReports();
    void qtDialogsSpeakChinese();
};

class HomeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsTheStepsTheDataAllows_data();
    void showsTheStepsTheDataAllows();
    void menuEntriesFollowTheStepPictures_data();
    void menuEntriesFollowTheStepPictures();
    void menuHasItsEntriesInOrder();
    void unavailableStepIgnoresClicks();
    void hoverShowsThePictureAndTheHint_data();
    void hoverShowsThePictureAndTheHint();
    void unavailableStepHasNoHover();
    void topBarAndDataRowHints_data();
    void topBarAndDataRowHints();
    void userLabelChangesColourOnHover();
    void labelsShowSchoolUserAndFile();
    void schoolNameShowsAfterARealStart();
    void storedTextIsNeverMarkup();
    void layoutFollowsTheFormula();
    void layoutKeepsTheStepsApart_data();
    void layoutKeepsTheStepsApart();
    void stepStatesLookPlainlyDifferent();
};

class StoreCommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void clearAsksThenClears_data();
    void clearAsksThenClears();
    void clearingStep2KeepsItsStatus();
    void viewerIsRefused_data();
    void viewerIsRefused();
    void backupCopiesTheFileAndOpensItsFolder_data();
    void backupCopiesTheFileAndOpensItsFolder();
    void backupFailureIsReported();
    void restoreRefusesAFileThatIsNotASchool_data();
    void restoreRefusesAFileThatIsNotASchool();
    void restoreReplacesTheDataAndLogsInAgain_data();
    void restoreReplacesTheDataAndLogsInAgain();
    void restoreCancelledChangesNothing();
};

class UsersUiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newDatabaseLogsInAutomatically();
    void loneUserWithPasswordOrOtherNameGetsTheFullDialog_data();
    void loneUserWithPasswordOrOtherNameGetsTheFullDialog();
    void fullDialogAfterAnAutomaticLogin();
    void sameNamesLogInTheirOwnRows();
    void switchUserNeedsAnotherUser();
    void deleteUser_data();
    void deleteUser();
    void newUserDialogCreatesTheUser();
    void passwordDialogChecksTheOldPassword();
};

class StartupTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findsOrMakesTheSchoolFile_data();
    void findsOrMakesTheSchoolFile();
    void aStartThatCannotMakeTheFileEndsWithOneMessage_data();
    void aStartThatCannotMakeTheFileEndsWithOneMessage();
    void aStartOnAFullDiskEndsWithOneMessage();
    void aSecondStartMayOnlyView_data();
    void aSecondStartMayOnlyView();
    void aSchoolThatMayNotBeWrittenOpensReadOnly_data();
    void aSchoolThatMayNotBeWrittenOpensReadOnly();
    void aDamagedSchoolIsReportedAndLeftAsItIs();
    void aReadOnlyWindowRefusesWritesWithOneMessage();
};
