// Tests of the axis steps over one hand-built document: the steps the model test leaves out, the
// iterators' refusals, and a child step that loads a linked document.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "AxisTestSupport.h"
#include "xml/MatchAxisIterator.h"
#include "xml/ParentIter.h"
#include "xml/SiblingIter.h"

using namespace axis_test;

namespace {

// doc -> book -> title("Axes"), chapter("one"), "loose", chapter
class BookTest : public AxisTest {
  protected:
    void SetUp() override {
        AxisTest::SetUp();
        book = element(document, "book");
        title = element(book, "title");
        textChild(title, "Axes");
        chapter1 = element(book, "chapter");
        textChild(chapter1, "one");
        textChild(book, "loose");
        chapter2 = element(book, "chapter");
    }

    InternalName book, title, chapter1, chapter2;
    const InternalName textMethod = builtinObject::Text;
};

}  // namespace

// The model test walks every axis over random trees; here what it leaves out: nodes outside any
// tree, the self step, and a bound value that is the node itself.
TEST_F(BookTest, StepsTheModelDoesNotCover) {
    const InternalName orphan = object("orphan");
    for (int axis : {1, 2, 3, 4, 5, 6}) EXPECT_TRUE(step(axis, {orphan, Free, Free}).empty());
    EXPECT_TRUE(step(5, {text("loose"), Free, text("loose")}).empty());
    // The root element has no parent row: the document above it is no element.
    EXPECT_TRUE(step(3, {book, Free, Free}).empty());
    EXPECT_TRUE(step(3, {Free, Free, document}).empty());
    EXPECT_EQ(step(1, {title, Free, Free}), (Rows{{title, textMethod, text("Axes")}}));
    // An unnamed self step names the node: the name it hangs under, as a child step would.
    EXPECT_EQ(step(7, {chapter1, Free, Free}), (Rows{{chapter1, object("chapter"), chapter1}}));
    EXPECT_EQ(step(7, {book, Free, Free}), (Rows{{book, object("book"), book}}));
    // The document hangs under nothing: it has no name to give.
    EXPECT_TRUE(step(7, {document, Free, Free}).empty());
    // A self step answers real nodes only: from a free node each node of the tree, never a row
    // of unknowns; with a method it is a name test.
    for (const Row& row : step(7, {Free, Free, Free})) {
        EXPECT_NE(row[0], Free);
        EXPECT_EQ(row[0], row[2]);
    }
    EXPECT_EQ(step(7, {Free, Free, Free}).size(), step(3, {Free, Free, Free}).size() + 1);
    EXPECT_EQ(step(7, {chapter1, object("chapter"), Free}),
              (Rows{{chapter1, object("chapter"), chapter1}}));
    EXPECT_TRUE(step(7, {chapter1, object("title"), Free}).empty());
}

TEST_F(BookTest, RefusalsOfTheIterators) {
    const Row tuple{book, Free, Free};
    auto it = Ref<Iterator>::adopt(
        access->matchAxis(MethodType::Set, Axis::Child, tuple.data(), 3, nullptr));
    ASSERT_TRUE(it->isA("MatchAxisIterator"));
    ASSERT_TRUE(it->first());
    EXPECT_EQ(lastError(), "0/0");
    EXPECT_EQ(it->atColumn(4), Free);
    EXPECT_EQ(lastError(), "6/6");
    EXPECT_EQ(centralErrorHandler().getError().getMessage(),
              "Invalid use of MatchAxisIter::atColumn(int), the result is an undefined object ");
    EXPECT_EQ(it->atColumn(1), book);  // the row is still there

    // reinitialize is a relic: a line on standard output, the rows unchanged.
    testing::internal::CaptureStdout();
    static_cast<MatchAxisIterator*>(it.get())->reinitialize();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "MatchAxisIterator::reinitialize removed with version 3.30\n");
    EXPECT_EQ(drain(it.get()).size(), 4u);
    it.reset();

    errors.clear();
    auto parents = Ref<Iterator>::adopt(new ParentIter(tuple.data(), 3, nullptr));
    EXPECT_FALSE(parents->first());
    EXPECT_EQ(centralErrorHandler().getError().getMessage(),
              "Invalid initalisation of Parent iterator");
    EXPECT_EQ(centralErrorHandler().getError().getWhere(), "ParentIter");
    parents.reset();
    auto siblings = Ref<Iterator>::adopt(new SiblingIter(tuple.data(), 3, nullptr));
    EXPECT_FALSE(siblings->first());
    EXPECT_EQ(centralErrorHandler().getError().getMessage(),
              "Invalid initalisation of Sibling iterator");
    EXPECT_EQ(lastError(), "6/9");
}

namespace {

// Loads a "document" when asked to follow a link: one more child of the linking element.
class LinkLoadingAccess : public OMAccess {
  public:
    LinkLoadingAccess(OM* om, std::function<void()> load) : OMAccess(om), load(std::move(load)) {}
    void followLink(const InternalName&) override { load(); }
    void setFollowLinks(int on) { followLinks = on; }

  protected:
    ~LinkLoadingAccess() override = default;

  private:
    std::function<void()> load;
};

}  // namespace

TEST_F(BookTest, AChildStepSeesTheDocumentItsLinkLoads) {
    InternalName loaded = Free;
    auto links = Ref<LinkLoadingAccess>::make(om, [&] { loaded = element(chapter2, "appendix"); });
    const InternalName typeAttribute = object("xtype"), hrefAttribute = object("xhref");
    links->insertValue(builtinObject::Xlink, builtinObject::Type, nullptr, 0, MethodType::Scalar,
                       typeAttribute);
    links->insertValue(builtinObject::Xlink, builtinObject::Href, nullptr, 0, MethodType::Scalar,
                       hrefAttribute);
    links->insertValue(chapter2, typeAttribute, nullptr, 0, MethodType::AttributeSet,
                       text("simple"));
    links->insertValue(chapter2, hrefAttribute, nullptr, 0, MethodType::AttributeSet,
                       text("appendix.xml"));
    links->setFollowLinks(1);
    links->useAxisIterators(&axes);

    const Row tuple{chapter2, Free, Free};
    auto it = Ref<Iterator>::adopt(
        links->matchAxis(MethodType::Set, Axis::Child, tuple.data(), 3, nullptr));
    EXPECT_EQ(drain(it.get()), (Rows{{chapter2, object("appendix"), loaded}}));
}
