// The start of every Qt test program: the same style as the real program, then the test.
#pragma once

#include <QApplication>
#include <QStyleFactory>
#include <QTest>

namespace dorvan::testing {

template <class Test>
int runQtTest(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  Test test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace dorvan::testing
