// Tests of the axis steps over one hand-built document: which rows each axis gives from bound and
// free nodes, with and without a method, and the iterators' refusals.
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

// doc -> book(id="b1") -> title("Axes"), chapter("one", section), "loose", chapter
class BookTest : public AxisTest {
  protected:
    void SetUp() override {
        AxisTest::SetUp();
        book = element(document, "book");
        id = attribute(book, "id", "b1");
        title = element(book, "title");
        textChild(title, "Axes");
        chapter1 = element(book, "chapter");
        textChild(chapter1, "one");
        section = element(chapter1, "section");
        textChild(book, "loose");
        chapter2 = element(book, "chapter");
        titleClass = object("title");
        chapterClass = object("chapter");
        sectionClass = object("section");
        bookClass = object("book");
    }

    InternalName book, id, title, chapter1, section, chapter2;
    InternalName titleClass, chapterClass, sectionClass, bookClass;
    const InternalName textMethod = builtinObject::Text;
};

}  // namespace

TEST_F(BookTest, ChildStepsGiveElementsAndTextsButNoAttributes) {
    // The two chapters share one set-valued link and give one row each.
    EXPECT_EQ(sorted(step(1, {book, Free, Free})), sorted({{book, titleClass, title},
                                                           {book, chapterClass, chapter1},
                                                           {book, chapterClass, chapter2},
                                                           {book, textMethod, text("loose")}}));
    EXPECT_EQ(sorted(step(1, {book, chapterClass, Free})),
              sorted({{book, chapterClass, chapter1}, {book, chapterClass, chapter2}}));
    EXPECT_EQ(step(1, {book, Free, chapter2}), (Rows{{book, chapterClass, chapter2}}));
    EXPECT_EQ(sorted(step(1, {Free, chapterClass, Free})),
              sorted({{book, chapterClass, chapter1}, {book, chapterClass, chapter2}}));
    EXPECT_EQ(step(1, {title, Free, Free}), (Rows{{title, textMethod, text("Axes")}}));
    EXPECT_TRUE(step(1, {section, Free, Free}).empty());
    EXPECT_EQ(step(1, {document, Free, Free}), (Rows{{document, bookClass, book}}));
}

TEST_F(BookTest, DescendantAndAncestorSteps) {
    EXPECT_EQ(sorted(step(2, {book, Free, Free})), sorted({{book, titleClass, title},
                                                           {book, textMethod, text("Axes")},
                                                           {book, chapterClass, chapter1},
                                                           {book, textMethod, text("one")},
                                                           {book, sectionClass, section},
                                                           {book, textMethod, text("loose")},
                                                           {book, chapterClass, chapter2}}));
    // A method names the class of the node reached, and is the row's method.
    EXPECT_EQ(sorted(step(2, {book, chapterClass, Free})),
              sorted({{book, chapterClass, chapter1}, {book, chapterClass, chapter2}}));
    EXPECT_EQ(step(2, {document, sectionClass, Free}), (Rows{{document, sectionClass, section}}));
    EXPECT_EQ(sorted(step(2, {Free, sectionClass, Free})),
              sorted({{chapter1, sectionClass, section},
                      {book, sectionClass, section},
                      {document, sectionClass, section}}));
    EXPECT_TRUE(step(2, {section, Free, Free}).empty());

    // The document itself has no label and is no ancestor row.
    EXPECT_EQ(sorted(step(4, {section, Free, Free})),
              sorted({{section, chapterClass, chapter1}, {section, bookClass, book}}));
    EXPECT_EQ(step(4, {section, bookClass, Free}), (Rows{{section, bookClass, book}}));
    EXPECT_EQ(step(4, {section, Free, book}), (Rows{{section, bookClass, book}}));
    EXPECT_EQ(sorted(step(4, {text("one"), Free, Free})),
              sorted({{text("one"), chapterClass, chapter1}, {text("one"), bookClass, book}}));
    EXPECT_TRUE(step(4, {book, Free, Free}).empty());
}

TEST_F(BookTest, ParentStepsKeepTheNodeAndTestTheMethod) {
    // The row's host is the node asked about, its method the parent's own label.
    EXPECT_EQ(step(3, {section, Free, Free}), (Rows{{section, chapterClass, chapter1}}));
    EXPECT_EQ(step(3, {text("Axes"), Free, Free}), (Rows{{text("Axes"), titleClass, title}}));
    EXPECT_EQ(step(3, {book, Free, Free}), (Rows{{book, Free, document}}));
    EXPECT_EQ(step(3, {section, chapterClass, Free}), (Rows{{section, chapterClass, chapter1}}));
    EXPECT_TRUE(step(3, {section, bookClass, Free}).empty());
    EXPECT_TRUE(step(3, {section, Free, book}).empty());
    EXPECT_TRUE(step(3, {object("orphan"), Free, Free}).empty());

    // From a free node: every node whose parent fits.
    EXPECT_EQ(sorted(step(3, {Free, Free, chapter1})),
              sorted({{section, chapterClass, chapter1}, {text("one"), chapterClass, chapter1}}));
    EXPECT_EQ(sorted(step(3, {Free, bookClass, Free})), sorted({{title, bookClass, book},
                                                                {chapter1, bookClass, book},
                                                                {chapter2, bookClass, book},
                                                                {text("loose"), bookClass, book}}));
    // The root's label is under the document, which has none of its own.
    EXPECT_EQ(step(3, {Free, Free, document}), (Rows{{book, Free, document}}));
}

TEST_F(BookTest, SiblingStepsLeaveOutTheNodeItself) {
    EXPECT_EQ(sorted(step(5, {chapter1, Free, Free})),
              sorted({{chapter1, titleClass, title},
                      {chapter1, chapterClass, chapter2},
                      {chapter1, textMethod, text("loose")}}));
    EXPECT_EQ(step(5, {chapter1, chapterClass, Free}), (Rows{{chapter1, chapterClass, chapter2}}));
    EXPECT_EQ(step(5, {section, Free, Free}), (Rows{{section, textMethod, text("one")}}));
    EXPECT_EQ(step(5, {text("one"), Free, Free}), (Rows{{text("one"), sectionClass, section}}));
    EXPECT_TRUE(step(5, {text("one"), Free, text("one")}).empty());
    EXPECT_TRUE(step(5, {book, Free, Free}).empty());  // the document's only child
    EXPECT_TRUE(step(5, {object("orphan"), Free, Free}).empty());
    EXPECT_EQ(sorted(step(5, {Free, Free, chapter2})),
              sorted({{title, chapterClass, chapter2},
                      {chapter1, chapterClass, chapter2},
                      {text("loose"), chapterClass, chapter2}}));
}

TEST_F(BookTest, AttributeAndSelfSteps) {
    EXPECT_EQ(step(6, {book, Free, Free}), (Rows{{book, id, text("b1")}}));
    EXPECT_EQ(step(6, {Free, id, Free}), (Rows{{book, id, text("b1")}}));
    EXPECT_TRUE(step(6, {book, Free, text("b2")}).empty());
    EXPECT_TRUE(step(6, {chapter1, Free, Free}).empty());
    InternalName self;
    access->internName(self, "self", 1);
    EXPECT_EQ(step(7, {chapter1, Free, Free}), (Rows{{chapter1, self, chapter1}}));
}

TEST_F(BookTest, RefusalsOfTheIterators) {
    const Row tuple{book, Free, Free};
    Iterator* it = access->matchAxis(1, 1, tuple.data(), 3, nullptr);
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
    static_cast<MatchAxisIterator*>(it)->reinitialize();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "MatchAxisIterator::reinitialize removed with version 3.30\n");
    EXPECT_EQ(drain(it).size(), 4u);
    decRef(it);

    errors.clear();
    Iterator* parents = new ParentIter(tuple.data(), 3, nullptr);
    EXPECT_FALSE(parents->first());
    EXPECT_EQ(centralErrorHandler().getError().getMessage(),
              "Invalid initalisation of Parent iterator");
    EXPECT_EQ(centralErrorHandler().getError().getWhere(), "ParentIter");
    decRef(parents);
    Iterator* siblings = new SiblingIter(tuple.data(), 3, nullptr);
    EXPECT_FALSE(siblings->first());
    EXPECT_EQ(centralErrorHandler().getError().getMessage(),
              "Invalid initalisation of Sibling iterator");
    EXPECT_EQ(lastError(), "6/9");
    decRef(siblings);
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
    auto* links = new LinkLoadingAccess(om, [&] { loaded = element(chapter2, "appendix"); });
    const InternalName typeAttribute = object("xtype"), hrefAttribute = object("xhref");
    links->insertValue(builtinObject::Xlink, builtinObject::Type, nullptr, 0, 0, typeAttribute);
    links->insertValue(builtinObject::Xlink, builtinObject::Href, nullptr, 0, 0, hrefAttribute);
    links->insertValue(chapter2, typeAttribute, nullptr, 0, 2, text("simple"));
    links->insertValue(chapter2, hrefAttribute, nullptr, 0, 2, text("appendix.xml"));
    links->setFollowLinks(1);

    const Row tuple{chapter2, Free, Free};
    Iterator* it = links->matchAxis(1, 1, tuple.data(), 3, nullptr);
    EXPECT_EQ(drain(it), (Rows{{chapter2, object("appendix"), loaded}}));
    decRef(it);
    decRef(links);
}
