#pragma once

#include "DBGrid.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

// A grid's cells as the operator works them: F2 opens the cell's editor, the text is typed and
// Enter writes it; the edit button of a cell is clicked with the mouse.
namespace GridInput {

inline void typeInCell(cns::ui::DBGrid *grid, const QString &field, const QString &text)
{
    grid->setFocus();
    grid->selectField(field);
    QTest::keyClick(grid, Qt::Key_F2);
    QWidget *editor = QApplication::focusWidget();
    QVERIFY(editor && editor != grid);
    if (auto *line = qobject_cast<QLineEdit *>(editor))
        line->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The view writes the cell and closes its editor once the events posted by Enter are handled.
    QTRY_COMPARE(QApplication::focusWidget(), grid);
}

inline void clickCellButton(cns::ui::DBGrid *grid, const QString &field)
{
    grid->setFocus();
    grid->selectField(field);
    QTest::keyClick(grid, Qt::Key_F2);
    auto *button = grid->findChild<QToolButton *>(QStringLiteral("btnCelula"));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace GridInput
