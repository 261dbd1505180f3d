#!/usr/bin/python3
"""Reads an HTML page on standard input with Python's html.parser and
prints what a browser would make of it: one line "tag NAME" per start tag
(in order), then one line "text ..." with the page's text (character
references resolved, runs of blanks as one)."""
import sys
from html.parser import HTMLParser


class Page(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.text = []

    def handle_starttag(self, tag, attrs):
        print("tag", tag)

    def handle_data(self, data):
        self.text.append(data)


page = Page()
page.feed(sys.stdin.read())
page.close()
print("text", " ".join("".join(page.text).split()))
