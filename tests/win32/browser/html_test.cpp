// What a page shows, from markup and bytes that come from outside: tags, entities, hidden content,
// comments, broken markup, charsets, bodies split anywhere and bodies too large to keep.
#include "browser/html.h"

#include "support/WideText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using win32::html::page;
using win32::html::page_builder;

// The page as a line of text: "\n" where a run starts a new line, links as [text|address].
std::string Shown(const page &p)
{
    std::string out;
    for (const auto &r : p.runs) {
        if (r.break_before)
            out += "\n";
        out += r.href.empty() ? Utf8(r.text) : "[" + Utf8(r.text) + "|" + Utf8(r.href) + "]";
    }
    return out;
}

page Parse(const std::string &html) { return win32::html::parse(Wide(html), u"http://h/dir/page"); }

TEST(HtmlPage, MarkupShowsItsTextOnly)
{
    struct Case {
        const char *html;
        const char *shown;
    } cases[] = {
        {"<p>one</p><p>two</p>", "one\ntwo"},
        {"a <b>bold</b> c", "a bold c"},
        {"<p>  many \n\t spaces</p>", "many spaces"},
        {"line<br>next", "line\nnext"},
        {"<UL><LI>upper</LI><LI>case</LI></UL>", "upper\ncase"},
        // entities, known and not
        {"&lt;b&gt; &amp; &quot;q&quot; &#x4E2D;&#25991; &copy;", "<b> & \"q\" \xE4\xB8\xAD\xE6\x96\x87 \xC2\xA9"},
        {"a&nbsp;b", "a\xC2\xA0" "b"},
        {"a &bogus; b", "a &bogus; b"},
        {"&#0;&#x110000;|", "|"},  // references to no character show nothing
        // scripts, styles and other hidden content
        {"<script>if (a < b) document.write('<p>x</p>')</script>shown", "shown"},
        {"<script>var s = '</scripts>'; hidden()</script>shown", "shown"},
        {"<SCRIPT type=text/javascript>x()</SCRIPT >shown", "shown"},
        {"<style>p { color: red }</style>text", "text"},
        {"<textarea>typed</textarea>after", "after"},
        {"<script>never closed <p>no", ""},
        // comments and declarations
        {"<!DOCTYPE html>a<!-- hidden <p>x</p> -->b", "ab"},
        {"a<!-- never closed", "a"},
        {"<?xml version=\"1.0\"?>x", "x"},
        // broken markup
        {"<p>unclosed <b>bold <i>both</p>after", "unclosed bold both\nafter"},
        {"x < y and y > z", "x < y and y > z"},
        {"<p class=\"unterminated>text</p>", ""},
        {"</p></div>stray ends", "stray ends"},
        {"<a href='/x'>open link", "[open link|http://h/x]"},
        {"<!DOCTYPE html><html><head><meta charset=utf-8><title>T</title><script>x()</script></head>"
         "<body class=a><p>one</p><div>two</div></body></html>\n",
         "one\ntwo"},
        {"<html><body>in</body></html>", "in"},
        {"<head><style>p{}</style></head>text<body>more</body>", "textmore"},  // a second body is no break
        // links
        {"<a href=\"../up?q=1\">up</a> <a>bare</a>", "[up|http://h/up?q=1] bare"},
        {"<a href=\"app:settings\">Settings</a>", "[Settings|app:settings]"},
        {"<base href=\"http://other/b/\"><a href=\"c\">c</a>", "[c|http://other/b/c]"},
        {"<a href=\"/a&amp;b\">e</a>", "[e|http://h/a&b]"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.shown, Shown(Parse(c.html))) << c.html;
}

TEST(HtmlPage, TitleAndFramesAreReadApart)
{
    page p = Parse("<html><head><title> Two \n  words &amp; more </title></head><body>body"
                   "<iframe src=\"/inner\"></iframe><frame src=\"f2.html\"></body>");
    EXPECT_EQ("Two words & more", Utf8(p.title));
    EXPECT_EQ("body", Shown(p));
    ASSERT_EQ(2u, p.frames.size());
    EXPECT_EQ("http://h/inner", Utf8(p.frames[0]));
    EXPECT_EQ("http://h/dir/f2.html", Utf8(p.frames[1]));

    EXPECT_EQ("First", Utf8(Parse("<title>First</title><title>Second</title>").title));
}

// Bytes as a server sends them, with or without a charset in the content type.
TEST(HtmlPage, BodiesAreDecodedByTheirCharset)
{
    struct Case {
        const char *type;
        std::string body;
        const char *shown;
    } cases[] = {
        {"text/html; charset=GB2312", "<p>\xD6\xD0\xCE\xC4</p>", "\xE4\xB8\xAD\xE6\x96\x87"},
        {"text/html; charset=gbk", "\xD6\xD0\xD6", "\xE4\xB8\xAD\xE3\x83\xBB"},  // a lead byte alone: 936's default
        {"text/html", "<meta charset=\"gbk\"><p>\xD6\xD0</p>", "\xE4\xB8\xAD"},
        {"text/html", "<meta http-equiv=Content-Type content=\"text/html; charset=gb2312\">\xD6\xD0", "\xE4\xB8\xAD"},
        {"text/html", "<p>\xE4\xB8\xAD</p>", "\xE4\xB8\xAD"},
        {"text/html; charset=utf-8", "a\xFF" "b\xE4\xB8", "a\xEF\xBF\xBD" "b\xEF\xBF\xBD"},
        {"text/html", "\xEF\xBB\xBFx", "x"},
        {"text/html", std::string("a\0b", 3), "a\xEF\xBF\xBD" "b"},
        {"text/html; charset=nonsense", "caf\xC3\xA9", "caf\xC3\xA9"},
        {"text/plain", "line1\r\n<b>line2</b>", "line1\n<b>line2</b>"},
        {"TEXT/PLAIN; charset=gb2312", "\xD6\xD0", "\xE4\xB8\xAD"},
        {"", "", ""},
    };
    for (const Case &c : cases) {
        page_builder whole(c.type, u"http://h/");
        whole.feed(c.body.data(), c.body.size());
        EXPECT_EQ(c.shown, Shown(whole.finish())) << c.type << ": " << c.body;

        // A body may be cut anywhere, also inside a character: byte by byte shows the same.
        page_builder pieces(c.type, u"http://h/");
        for (char b : c.body)
            pieces.feed(&b, 1);
        EXPECT_EQ(c.shown, Shown(pieces.finish())) << c.type << " in pieces: " << c.body;
    }
}

TEST(HtmlPage, AMetaCharsetCountsOnlyInTheFirstKilobytes)
{
    std::string late = "<p>" + std::string(5000, 'x') + "</p><meta charset=gbk><p>\xE4\xB8\xAD</p>";
    page_builder builder("text/html", u"http://h/");
    for (size_t at = 0; at < late.size(); at += 1000)
        builder.feed(late.data() + at, std::min<size_t>(1000, late.size() - at));
    std::string shown = Shown(builder.finish());
    EXPECT_EQ("\xE4\xB8\xAD", shown.substr(shown.size() - 3)) << "the late meta changed the charset";
}

// Bodies far beyond what a screen shows: the page keeps a bounded text and stays well formed.
TEST(HtmlPage, HugeInputKeepsABoundedPage)
{
    std::string words;
    while (words.size() < 9u << 20)
        words += "<p>word word</p>";
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<div><b>";
    deep += "deep";
    std::string longWord(3u << 20, 'w');

    for (const std::string *body : {&words, &deep, &longWord}) {
        page_builder builder("text/html", u"http://h/");
        for (size_t at = 0; at < body->size(); at += 16384)
            builder.feed(body->data() + at, std::min<size_t>(16384, body->size() - at));
        page p = builder.finish();
        size_t chars = 0;
        for (const auto &r : p.runs)
            chars += r.text.size();
        EXPECT_LE(chars, win32::html::max_page_chars);
        EXPECT_GT(chars, 0u);
    }
    std::u16string title = u"<title>" + std::u16string(100000, u't') + u"</title>";
    EXPECT_EQ(win32::html::max_title_chars, win32::html::parse(title, u"http://h/").title.size());
}

}  // namespace
