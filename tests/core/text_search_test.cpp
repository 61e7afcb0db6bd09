// SPDX-License-Identifier: MIT
#include <QtTest>
#include <random>
#include <string>

#include "core/text_model.h"
#include "core/text_search.h"
#include "tests/support/test_registry.h"

using ferrotap::SearchQuery;
using ferrotap::TextModel;

namespace {

std::string Folded(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

class TextSearchTest : public QObject {
  Q_OBJECT

 private slots:
  void hexText_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");  // "-" when not byte values
    QTest::newRow("blank apart") << "0D 0A" << "0D 0A";
    QTest::newRow("run together, lower") << "0d0a" << "0D 0A";
    QTest::newRow("prefixed, commas") << "0x0D,0x0a" << "0D 0A";
    QTest::newRow("odd digit") << "0D 0" << "-";
    QTest::newRow("not hex") << "GG" << "-";
    QTest::newRow("nothing") << "  " << "-";
  }
  void hexText() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    const auto text = ferrotap::HexSearchText(typed.toStdString());
    QCOMPARE(text ? QString::fromStdString(*text) : QString("-"), shown);
  }

  // Text written in colour runs and with the store's gap moved into it; every search must agree
  // with a plain search of the same string, across block boundaries (the text is over 1 MiB).
  void agreesWithPlainSearch() {
    std::mt19937 rng(7);
    std::string reference;
    TextModel model;
    while (reference.size() < (std::size_t{3} << 20)) {
      std::string piece(1 + rng() % 5000, ' ');
      for (char& c : piece) c = "abAB\r\n"[rng() % 6];
      model.SetInsertColor(rng() % 3);
      model.SetCaret(rng() % 4 == 0 ? rng() % (reference.size() + 1) : reference.size());
      reference.insert(model.Caret(), piece);
      model.InsertAtCaret(piece);
    }
    QCOMPARE(model.Text(), reference);
    const std::string folded = Folded(reference);
    for (const SearchQuery& q : {SearchQuery{"aBba", true}, SearchQuery{"aBba", false},
                                 SearchQuery{"\nA", true}, SearchQuery{"bbbbbbbbbbbb", false}}) {
      const std::string& hay = q.matchCase ? reference : folded;
      const std::string needle = q.matchCase ? q.text : Folded(q.text);
      std::size_t count = 0;
      for (std::size_t at = hay.find(needle); at != std::string::npos;
           at = hay.find(needle, at + needle.size())) {
        ++count;
      }
      QCOMPARE(ferrotap::CountMatches(model, q), count);
      for (int i = 0; i < 20; ++i) {
        const std::size_t from = rng() % reference.size();
        const std::size_t fwd = hay.find(needle, from);
        QCOMPARE(ferrotap::FindForward(model, q, from),
                 fwd == std::string::npos ? ferrotap::kNoMatch : fwd);
        const std::size_t back =
            from < needle.size() ? std::string::npos : hay.rfind(needle, from - needle.size());
        QCOMPARE(ferrotap::FindBackward(model, q, from),
                 back == std::string::npos ? ferrotap::kNoMatch : back);
      }
      const std::size_t windowStart = rng() % reference.size();
      for (std::size_t at : ferrotap::MatchesAround(model, q, windowStart, windowStart + 200, 100)) {
        QCOMPARE(hay.compare(at, needle.size(), needle), 0);
        QVERIFY(at + needle.size() > windowStart && at < windowStart + 200);
      }
    }
  }
};

FERROTAP_TEST(TextSearchTest)
#include "text_search_test.moc"
