#include <QtTest>

class Placeholder : public QObject {
    Q_OBJECT
  private slots:
    void nothingYet() {}
};

QTEST_MAIN(Placeholder)
#include "user_filter_page_test.moc"
