// How Scriblet names itself and its maker, written down once: the about box,
// the main window's caption and system menu, and the program's version
// information are all made from these, so Explorer's Properties and the
// windows always agree. Plain string literals, readable by the resource
// compiler and by C++ alike.
#pragma once

#define SCRIBLET_PRODUCT_NAME "Scriblet"
#define SCRIBLET_FILE_DESCRIPTION "Scriblet notes keeper"
#define SCRIBLET_MAKER_NAME "inkwell labs"
#define SCRIBLET_YEAR_LINE "(c) 2026"

// Explorer shows the copyright, not the maker's name, so it names both.
#define SCRIBLET_COPYRIGHT SCRIBLET_YEAR_LINE " " SCRIBLET_MAKER_NAME

// Four lines, all but the year in lower case: the maker, the product and the
// maker's label.
#define SCRIBLET_ABOUT_TEXT SCRIBLET_MAKER_NAME "\nscriblet\ndesk tools\n" SCRIBLET_YEAR_LINE

// The maker's web page. The about box shows it without its scheme, as two
// links cut after the dot before the top-level domain.
#define SCRIBLET_MAKER_HOST "www.scribletapp."
#define SCRIBLET_MAKER_DOMAIN "example/"
#define SCRIBLET_MAKER_ADDRESS "http://" SCRIBLET_MAKER_HOST SCRIBLET_MAKER_DOMAIN
