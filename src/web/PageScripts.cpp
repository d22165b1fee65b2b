#include "web/PageScripts.h"

#include "core/net/Browser.h"
#include "core/search/ServiceMarkup.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace PageScripts {

QString literal(const QString &text)
{
    // A one-element JSON array is the shortest way to a correctly escaped string literal.
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

QString snapshot()
{
    // Result blocks also give the texts of their citation parts, by the selectors of the service's markup.
    QJsonArray selectors;
    for (const ServiceMarkup::CitationSelector &s : ServiceMarkup::kCitationSelectors)
        selectors.append(QJsonArray{s.part, s.selector});
    const QString selectorList = QString::fromUtf8(QJsonDocument(selectors).toJson(QJsonDocument::Compact));
    // One walk over the elements in document order (the order getElementsByTagName gives, which clicks by index
    // rely on). Asking each DIV for its first link would read its whole subtree again: deeply nested pages took
    // longer than any answer limit. Here every element is visited once, and a link is handed to the DIVs that
    // enclose it and still wait for their first one.
    return QStringLiteral(R"JS((function (resultClass, partSelectors, readLimit) {
  function str(v) { return typeof v === 'string' ? v : ''; }
  function cls(e) {
    if (typeof e.className === 'string') return e.className;
    return (e.getAttribute && e.getAttribute('class')) || '';
  }
  function href(e) {
    if (typeof e.href === 'string') return e.href;
    if (e.href && typeof e.href.baseVal === 'string') return e.href.baseVal;
    return (e.getAttribute && e.getAttribute('href')) || '';
  }
  function anchor(a) {
    return { innerText: str(a.innerText), innerHtml: str(a.innerHTML), className: cls(a), href: href(a) };
  }
  function matches(e, selector) {
    try { return e.matches(selector); } catch (x) { return false; }
  }
  var d = document;
  if (!d) return JSON.stringify({ hasDocument: false });
  var root = d.documentElement;
  if (typeof window.paperHarvestStoppedAt === 'number')
    return JSON.stringify({ hasDocument: false, oversize: window.paperHarvestStoppedAt });
  var outerHtml = root ? str(root.outerHTML) : '';
  if (outerHtml.length > readLimit) return JSON.stringify({ hasDocument: false, oversize: outerHtml.length });
  var divs = [];
  var anchors = [];
  var waiting = [];  // enclosing DIVs without a link yet, outermost first
  var blocks = [];   // enclosing result blocks, outermost first
  function enter(e) {
    var tag = e.localName;
    if (tag === 'a') {
      var a = anchor(e);
      anchors.push(a);
      for (var i = 0; i < waiting.length; ++i) waiting[i].entry.firstAnchor = a;
      waiting.length = 0;
    }
    if (blocks.length) {
      // A part belongs to its innermost block, so nested blocks cost no more than flat ones.
      var block = blocks[blocks.length - 1].entry;
      for (var k = 0; k < partSelectors.length; ++k) {
        if (!matches(e, partSelectors[k][1])) continue;
        var name = partSelectors[k][0];
        (block.parts[name] = block.parts[name] || []).push(str(e.innerText || e.textContent));
      }
    }
    if (tag === 'div') {
      var entry = { className: cls(e), firstAnchor: null };
      divs.push(entry);
      waiting.push({ element: e, entry: entry });
      if (cls(e).trim().toLowerCase() === resultClass) {
        entry.parts = {};
        blocks.push({ element: e, entry: entry });
      }
    }
  }
  function leave(e) {
    if (waiting.length && waiting[waiting.length - 1].element === e) waiting.pop();
    if (blocks.length && blocks[blocks.length - 1].element === e) blocks.pop();
  }
  if (root) {
    var walker = d.createTreeWalker(root, 1 /* elements */);
    enter(root);
    for (;;) {
      if (walker.firstChild()) { enter(walker.currentNode); continue; }
      var more = false;
      for (;;) {
        leave(walker.currentNode);
        if (walker.nextSibling()) { enter(walker.currentNode); more = true; break; }
        if (!walker.parentNode()) break;
      }
      if (!more) break;
    }
  }
  return JSON.stringify({ hasDocument: true, url: str(d.URL), outerHtml: outerHtml, divs: divs, anchors: anchors });
}))JS")
        .append(QStringLiteral("(%1, %2, %3)")
                    .arg(literal(ServiceMarkup::kResultBlockClass), selectorList, QString::number(kPageReadLimit)));
}

QString sizeGuard()
{
    return QStringLiteral(R"JS((function (readLimit) {
  // Text grows by appends to a node the parser made before, elements arrive one by one: both are counted as they
  // come, a text node by how much longer it got, an element by the length of its tags.
  var size = 0;
  var lengths = new WeakMap();
  function grew(node) {
    if (node.nodeType === 3 || node.nodeType === 8) {
      var before = lengths.get(node) || 0;
      lengths.set(node, node.length);
      return node.length - before;
    }
    if (node.nodeType !== 1) return 0;
    var markup = 2 * node.localName.length + 5;
    for (var i = 0; i < node.attributes.length; ++i)
      markup += node.attributes[i].name.length + node.attributes[i].value.length + 4;
    return markup;
  }
  var observer = new MutationObserver(function (records) {
    for (var i = 0; i < records.length; ++i) {
      var r = records[i];
      if (r.type === 'characterData') size += grew(r.target);
      else for (var j = 0; j < r.addedNodes.length; ++j) size += grew(r.addedNodes[j]);
    }
    if (size > readLimit) {
      observer.disconnect();
      window.paperHarvestStoppedAt = size;
      window.stop();
    }
  });
  observer.observe(document, { childList: true, characterData: true, subtree: true });
  // What the page's own scripts add later is no load to bound.
  document.addEventListener('DOMContentLoaded', function () { observer.disconnect(); });
}))JS")
        .append(QStringLiteral("(%1)").arg(QString::number(kPageReadLimit)));
}

QString inputs()
{
    return QStringLiteral(R"JS((function () {
  function str(v) { return typeof v === 'string' ? v : ''; }
  var out = [];
  var list = document.getElementsByTagName('input');
  for (var i = 0; i < list.length; ++i) {
    var e = list[i];
    out.push({ id: str(e.id), name: str(e.name), type: str(e.type), value: str(e.value) });
  }
  return JSON.stringify(out);
})())JS");
}

QString elementOperation(const QString &tagName, int index, const QString &id, const QString &operation,
                         const QString &value)
{
    static const QString body = QStringLiteral(R"JS((function (tag, index, id, op, value) {
  var e = null;
  if (id) {
    e = document.getElementById(id);
  } else if (tag && index >= 0) {
    var list = document.getElementsByTagName(tag);
    if (index < list.length) e = list[index];
  }
  if (!e) return false;
  if (op === 'click') {
    if (typeof e.click === 'function') e.click();
    else e.dispatchEvent(new MouseEvent('click', { bubbles: true, cancelable: true, view: window }));
  } else if (op === 'setValue') {
    e.value = value;
  }
  return true;
}))JS");
    return body + QLatin1Char('(') + literal(tagName) + QLatin1Char(',') + QString::number(index) + QLatin1Char(',') +
           literal(id) + QLatin1Char(',') + literal(operation) + QLatin1Char(',') + literal(value) + QLatin1Char(')');
}

QString frameRelay(const QString &token)
{
    // Registered before any page script as the first capturing listener, so the page never sees these messages.
    return QStringLiteral(R"JS((function (token) {
  window.addEventListener('message', function (event) {
    var data = event.data;
    if (!data || typeof data !== 'object' || data.paperHarvestToken !== token) return;
    event.stopImmediatePropagation();
    try { (0, eval)(String(data.statement)); } catch (e) { }
  }, true);
  return true;
}))JS") + QLatin1Char('(') +
           literal(token) + QLatin1Char(')');
}

QString runInAllFrames(const QString &token, const QString &statement)
{
    return QStringLiteral(R"JS((function (token, statement) {
  var sent = 0;
  function walk(w) {
    var count = 0;
    try { count = w.length; } catch (e) { return; }
    for (var i = 0; i < count; ++i) {
      var child = null;
      try { child = w[i]; } catch (e) { continue; }
      if (!child) continue;
      try { child.postMessage({ paperHarvestToken: token, statement: statement }, '*'); ++sent; } catch (e) { }
      walk(child);
    }
  }
  try { (0, eval)(statement); } catch (e) { }
  walk(window);
  return sent;
}))JS") + QLatin1Char('(') +
           literal(token) + QLatin1Char(',') + literal(statement) + QLatin1Char(')');
}

QString dialogSuppression()
{
    return QStringLiteral(R"JS((function () {
  // Window opening is taken away: a page that calls it gets an error and stays where it is.
  try { window.open = null; } catch (e) { }
  // The rest do nothing, so a page waiting for an answer goes on at once.
  ['alert', 'confirm', 'showModalDialog', 'close', 'focus', 'blur'].forEach(function (name) {
    try { window[name] = function () { return; }; } catch (e) { }
  });
  return true;
})())JS");
}

QString unblockContextMenuAndCopying()
{
    return QStringLiteral(R"JS((function () {
  var handlers = ['oncontextmenu', 'onselectstart', 'ondragstart', 'onmousedown', 'onmousemove', 'onmouseup',
                  'onmouseout', 'onbeforecopy', 'oncopy', 'onselect'];
  function clear(e) {
    for (var i = 0; i < handlers.length; ++i) {
      try { e[handlers[i]] = null; } catch (x) { }
    }
  }
  try { if (document.body) clear(document.body); } catch (x) { }
  clear(document);
  ['TABLE', 'TD', 'SPAN', 'DIV'].forEach(function (tag) {
    var list = document.getElementsByTagName(tag);
    for (var i = 0; i < list.length; ++i) clear(list[i]);
  });
  return true;
})())JS");
}

} // namespace PageScripts
