#!/usr/bin/env python3
"""The batch report in a real browser: headless Chromium loads the report of a small generated
class, and the test checks that the class table holds every examinee with the marks of the
results file, that a click on the mark heading sorts by mark, and that every image loads. It
keeps screenshots under --artefacts. Exits 77 (skipped) when Chromium or Selenium is missing,
unless VANTREL_REQUIRE_BROWSER is set."""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77


def skip_or_fail(reason):
    if os.environ.get("VANTREL_REQUIRE_BROWSER"):
        print(f"FAIL: {reason}, and VANTREL_REQUIRE_BROWSER is set")
        return 1
    print(f"SKIPPED: {reason}")
    return SKIPPED


def start_browser(profile):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 f"--user-data-dir={profile}", "--window-size=1280,900"):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def grade_class(args, work):
    exam = os.path.join(work, "class")
    subprocess.run([args.make_class, exam, "6", "160", "120"], check=True, stdout=subprocess.DEVNULL)
    report = os.path.join(work, "report")
    results = os.path.join(work, "results.csv")
    subprocess.run([args.vantrel, "batch", os.path.join(exam, "exam.key"), "--keys", os.path.join(exam, "keys"),
                    "--answers-root", os.path.join(exam, "answers"), "--out", results, "--report", report,
                    "--jobs", "2"], check=True, stdout=subprocess.DEVNULL)
    # The record beside the CSV keeps each mark whole, written as the report writes it.
    with open(results + ".jsonl", encoding="utf-8") as file:
        rows = [json.loads(line) for line in file][1:]
    return report, {row["examinee"]: repr(row["mark"]).removesuffix(".0") for row in rows}


def check_table(browser, marks):
    from selenium.webdriver.common.by import By

    rows = browser.find_elements(By.CSS_SELECTOR, "#class-table tbody tr")
    shown = {r.find_element(By.CSS_SELECTOR, "td a").text: r.find_element(By.CSS_SELECTOR, "td.mark") for r in rows}
    check(set(shown) == set(marks), f"the table holds {sorted(shown)}, the results {sorted(marks)}")
    for name, cell in shown.items():
        check(cell.get_attribute("data-sort") == marks[name], f"{name}: mark {cell.get_attribute('data-sort')}")
        check(abs(float(cell.text) - float(marks[name])) < 5e-5, f"{name} shows {cell.text}")


def check_sorting(browser):
    from selenium.webdriver.common.by import By

    def column_marks():
        return [float(c.get_attribute("data-sort"))
                for c in browser.find_elements(By.CSS_SELECTOR, "#class-table tbody td.mark")]

    heading = browser.find_elements(By.CSS_SELECTOR, "#class-table thead th")[1]
    check(heading.text == "mark", f"the second heading is {heading.text}")
    check(column_marks() != sorted(column_marks()), "the generated marks already stand in order")
    heading.click()
    check(column_marks() == sorted(column_marks()), f"after one click: {column_marks()}")
    heading.click()
    check(column_marks() == sorted(column_marks(), reverse=True), f"after two clicks: {column_marks()}")


def check_examinee_images(browser):
    """Every image of every examinee's page, opened the way an examiner opens it."""
    from selenium.webdriver.common.by import By

    images = 0
    for link in [a.get_attribute("href") for a in browser.find_elements(By.CSS_SELECTOR, "#class-table td a")]:
        browser.get(link)
        loaded = browser.execute_script(
            "const images = Array.from(document.querySelectorAll('section.examinee:target img'));"
            "return images.map(i => [i.getAttribute('src'), i.complete && i.naturalWidth === 200"
            " && i.naturalHeight === 160]);")
        check(loaded, f"{link} shows no images")
        for source, ok in loaded:
            check(ok, f"{source} did not load as a 200 x 160 image")
        images += len(loaded)
    return images


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vantrel", required=True)
    parser.add_argument("--make-class", required=True)
    parser.add_argument("--artefacts", required=True)
    args = parser.parse_args()

    if not shutil.which("chromium") or not shutil.which("chromedriver"):
        return skip_or_fail("chromium or chromedriver is not installed")
    try:
        import selenium  # noqa: F401
    except ImportError:
        return skip_or_fail("python3-selenium is not installed")

    os.makedirs(args.artefacts, exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        report, marks = grade_class(args, work)
        browser = start_browser(os.path.join(work, "profile"))
        try:
            browser.get("file://" + os.path.join(report, "index.html"))
            check_table(browser, marks)
            check_sorting(browser)
            browser.save_screenshot(os.path.join(args.artefacts, "class-report.png"))
            images = check_examinee_images(browser)
            browser.save_screenshot(os.path.join(args.artefacts, "examinee-page.png"))
        finally:
            browser.quit()
    print(f"report of {len(marks)} examinees: table, sorting and {images} images checked; "
          f"screenshots in {args.artefacts}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
