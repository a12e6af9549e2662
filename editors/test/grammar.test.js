// The scene-script grammar as VS Code runs it (vscode-textmate on the
// Oniguruma engine): every example tokenises to the same lexemes as the
// scripting language's own scanner, a table of snippets gets the scopes an
// editor colours by, and the extension's problem matchers read the real
// output of kelvo-script --check.
//
// node grammar.test.js MODULES KELVO_SCRIPT VERSION
//   MODULES       the folder where `npm ci` installed package.json's packages
//   KELVO_SCRIPT  the kelvo-script executable
//   VERSION       the program's version, which the extension carries too

'use strict';

const assert = require('node:assert/strict');
const { execFileSync, spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { test } = require('node:test');
const { createRequire } = require('node:module');

const [modules, kelvoScript, version] = process.argv.slice(2);
const requireInstalled = createRequire(path.join(path.resolve(modules), 'package.json'));
const vsctm = requireInstalled('vscode-textmate');
const oniguruma = requireInstalled('vscode-oniguruma');

const editors = path.resolve(__dirname, '..');
const examples = path.resolve(editors, '..', 'examples');
const grammarPath = path.join(editors, 'kelvo-scene-script.tmLanguage.json');
const extension = path.join(editors, 'vscode');

let grammarPromise;
function loadGrammar() {
  grammarPromise ??= (async () => {
    const wasm = fs.readFileSync(requireInstalled.resolve('vscode-oniguruma/release/onig.wasm'));
    await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
    const registry = new vsctm.Registry({
      onigLib: Promise.resolve({
        createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
        createOnigString: (s) => new oniguruma.OnigString(s),
      }),
      loadGrammar: async (scopeName) =>
        scopeName === 'source.kelvo' ? vsctm.parseRawGrammar(fs.readFileSync(grammarPath, 'utf8'), grammarPath) : null,
    });
    return registry.loadGrammar('source.kelvo');
  })();
  return grammarPromise;
}

// Every token of `text`: { text, scopes, line }. Line ends are not part of
// any token. Fails when a line does not tokenise to its end.
function tokenise(grammar, text) {
  const tokens = [];
  let state = vsctm.INITIAL;
  text.split('\n').forEach((line, index) => {
    const result = grammar.tokenizeLine(line, state);
    assert.equal(result.stoppedEarly, false, `line ${index + 1} stopped early`);
    let covered = 0;
    for (const t of result.tokens) {
      assert.equal(t.startIndex, covered, `line ${index + 1}: a gap before column ${t.startIndex}`);
      covered = Math.min(t.endIndex, line.length);
      tokens.push({ text: line.slice(t.startIndex, t.endIndex), scopes: t.scopes, line: index + 1 });
    }
    assert.ok(covered >= line.length, `line ${index + 1} tokenised only to column ${covered}`);
    state = result.ruleStack;
  });
  return { tokens, state };
}

const inScope = (token, prefix) => token.scopes.some((s) => s === prefix || s.startsWith(prefix + '.'));

// The lexemes a scanner would see: a string's pieces joined into one,
// comments and blanks dropped.
function lexemes(tokens) {
  const out = [];
  let string = null;
  let lastLine = 0;
  for (const t of tokens) {
    if (inScope(t, 'string')) {
      // A string spanning lines holds their line ends.
      string = string === null ? t.text : string + '\n'.repeat(t.line - lastLine) + t.text;
      lastLine = t.line;
      if (t.scopes.some((s) => s.startsWith('punctuation.definition.string.end'))) {
        out.push(string);
        string = null;
      }
      continue;
    }
    if (inScope(t, 'comment') || t.text.trim() === '') continue;
    out.push(t.text);
  }
  return out;
}

// The texts the language's own scanner matched in `file`, in order, from its
// trace (kelvo-script --check --trace-scan), comments and blanks dropped.
// The file is scanned alone, in a folder of its own, so that the files it
// includes are not scanned with it.
function scannerLexemes(file) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'kelvo-scan-'));
  try {
    fs.copyFileSync(file, path.join(dir, 'alone.ks'));
    const run = spawnSync(kelvoScript, ['--check', '--trace-scan', 'alone.ks'], {
      cwd: dir,
      encoding: 'utf8',
      maxBuffer: 64 << 20,
    });
    const found = [];
    const entry = /--accepting (?:rule at line \d+|default rule) \("([\s\S]*?)"\)\n(?=--|$)/g;
    for (let m; (m = entry.exec(run.stderr)) !== null; ) {
      const text = m[1];
      if (text.trim() === '' || text.startsWith('//') || text.startsWith('/*')) continue;
      found.push(text);
    }
    return found;
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

function exampleFiles() {
  const files = fs.readdirSync(examples).filter((f) => f.endsWith('.ks')).map((f) => path.join(examples, f));
  for (const f of fs.readdirSync(path.join(examples, 'lib'))) files.push(path.join(examples, 'lib', f));
  return files.sort();
}

test('the grammar is the one the extension ships and contributes for .ks files', () => {
  assert.equal(
    fs.readFileSync(path.join(extension, 'syntaxes', 'kelvo-scene-script.tmLanguage.json'), 'utf8'),
    fs.readFileSync(grammarPath, 'utf8'),
    'editors/vscode/syntaxes holds a copy of editors/kelvo-scene-script.tmLanguage.json: copy it again'
  );
  const manifest = JSON.parse(fs.readFileSync(path.join(extension, 'package.json'), 'utf8'));
  assert.equal(manifest.version, version, "the extension's version is the program's");
  const [language] = manifest.contributes.languages;
  assert.deepEqual(language.extensions, ['.ks']);
  assert.ok(fs.existsSync(path.join(extension, language.configuration)));
  JSON.parse(fs.readFileSync(path.join(extension, language.configuration), 'utf8'));
  const [grammar] = manifest.contributes.grammars;
  assert.equal(grammar.language, language.id);
  assert.equal(grammar.scopeName, JSON.parse(fs.readFileSync(grammarPath, 'utf8')).scopeName);
  assert.ok(fs.existsSync(path.join(extension, grammar.path)));
});

test('every example tokenises as the scanner reads it, every lexeme scoped, none invalid', async () => {
  const grammar = await loadGrammar();
  const files = exampleFiles();
  assert.ok(files.length >= 8, `only ${files.length} examples`);
  for (const file of files) {
    const name = path.relative(examples, file);
    const { tokens, state } = tokenise(grammar, fs.readFileSync(file, 'utf8'));
    assert.equal(state.depth, 1, `${name}: a comment, string or parameter list left open at the end`);
    for (const t of tokens) {
      if (t.text.trim() === '') continue;
      assert.ok(t.scopes.length > 1, `${name}:${t.line}: '${t.text}' has no scope`);
      assert.ok(!inScope(t, 'invalid'), `${name}:${t.line}: '${t.text}' is marked invalid`);
    }
    assert.deepEqual(lexemes(tokens), scannerLexemes(file), `${name}: the grammar splits it otherwise than the scanner`);
  }
});

// Each snippet's tokens, blanks left out: text and innermost scope.
const snippets = [
  ['x = 1;', [['x', 'variable.other.kelvo'], ['=', 'keyword.operator.assignment.kelvo'],
    ['1', 'constant.numeric.integer.kelvo'], [';', 'punctuation.terminator.statement.kelvo']]],
  ['a = 1.5 + .5 * 5. - 1.2.3;', [['a', 'variable.other.kelvo'], ['=', 'keyword.operator.assignment.kelvo'],
    ['1.5', 'constant.numeric.float.kelvo'], ['+', 'keyword.operator.arithmetic.kelvo'],
    ['.5', 'constant.numeric.float.kelvo'], ['*', 'keyword.operator.arithmetic.kelvo'],
    ['5.', 'constant.numeric.float.kelvo'], ['-', 'keyword.operator.arithmetic.kelvo'],
    ['1.2', 'constant.numeric.float.kelvo'], ['.3', 'constant.numeric.float.kelvo'],
    [';', 'punctuation.terminator.statement.kelvo']]],
  // A number followed by letters splits; 1e5 is no float.
  ['9abc 1e5 x1', [['9', 'constant.numeric.integer.kelvo'], ['abc', 'variable.other.kelvo'],
    ['1', 'constant.numeric.integer.kelvo'], ['e5', 'variable.other.kelvo'], ['x1', 'variable.other.kelvo']]],
  ['def part(model, size) { return size; }', [['def', 'storage.type.function.kelvo'],
    ['part', 'entity.name.function.kelvo'], ['(', 'punctuation.section.parens.begin.kelvo'],
    ['model', 'variable.parameter.kelvo'], [',', 'punctuation.separator.comma.kelvo'],
    ['size', 'variable.parameter.kelvo'], [')', 'punctuation.section.parens.end.kelvo'],
    ['{', 'punctuation.section.braces.kelvo'], ['return', 'keyword.control.kelvo'],
    ['size', 'variable.other.kelvo'], [';', 'punctuation.terminator.statement.kelvo'],
    ['}', 'punctuation.section.braces.kelvo']]],
  ['if (a) x++; else while (b) { }', [['if', 'keyword.control.kelvo'], ['(', 'punctuation.section.parens.kelvo'],
    ['a', 'variable.other.kelvo'], [')', 'punctuation.section.parens.kelvo'], ['x', 'variable.other.kelvo'],
    ['++', 'keyword.operator.increment.kelvo'], [';', 'punctuation.terminator.statement.kelvo'],
    ['else', 'keyword.control.kelvo'], ['while', 'keyword.control.kelvo'],
    ['(', 'punctuation.section.parens.kelvo'], ['b', 'variable.other.kelvo'],
    [')', 'punctuation.section.parens.kelvo'], ['{', 'punctuation.section.braces.kelvo'],
    ['}', 'punctuation.section.braces.kelvo']]],
  // Keywords are whole lower-case words only.
  ['iff If returned elsewhere', [['iff', 'variable.other.kelvo'], ['If', 'variable.other.kelvo'],
    ['returned', 'variable.other.kelvo'], ['elsewhere', 'variable.other.kelvo']]],
  ['true TRUE True false FALSE null NULL NULLx', [['true', 'constant.language.boolean.kelvo'],
    ['TRUE', 'constant.language.boolean.kelvo'], ['True', 'variable.other.kelvo'],
    ['false', 'constant.language.boolean.kelvo'], ['FALSE', 'constant.language.boolean.kelvo'],
    ['null', 'constant.language.null.kelvo'], ['NULL', 'constant.language.null.kelvo'],
    ['NULLx', 'variable.other.kelvo']]],
  // Built-ins when called; the same name as a variable is a variable.
  ['scene = Group(translate(0, 1, 2), Model("m.obj")); scale = 2; f(); n.setPos(1);', [
    ['scene', 'variable.language.scene.kelvo'], ['=', 'keyword.operator.assignment.kelvo'],
    ['Group', 'support.function.builtin.kelvo'], ['(', 'punctuation.section.parens.kelvo'],
    ['translate', 'support.function.builtin.kelvo'], ['(', 'punctuation.section.parens.kelvo'],
    ['0', 'constant.numeric.integer.kelvo'], [',', 'punctuation.separator.comma.kelvo'],
    ['1', 'constant.numeric.integer.kelvo'], [',', 'punctuation.separator.comma.kelvo'],
    ['2', 'constant.numeric.integer.kelvo'], [')', 'punctuation.section.parens.kelvo'],
    [',', 'punctuation.separator.comma.kelvo'], ['Model', 'support.function.builtin.kelvo'],
    ['(', 'punctuation.section.parens.kelvo'], ['"', 'punctuation.definition.string.begin.kelvo'],
    ['m.obj', 'string.quoted.double.kelvo'], ['"', 'punctuation.definition.string.end.kelvo'],
    [')', 'punctuation.section.parens.kelvo'], [')', 'punctuation.section.parens.kelvo'],
    [';', 'punctuation.terminator.statement.kelvo'], ['scale', 'variable.other.kelvo'],
    ['=', 'keyword.operator.assignment.kelvo'], ['2', 'constant.numeric.integer.kelvo'],
    [';', 'punctuation.terminator.statement.kelvo'], ['f', 'entity.name.function.call.kelvo'],
    ['(', 'punctuation.section.parens.kelvo'], [')', 'punctuation.section.parens.kelvo'],
    [';', 'punctuation.terminator.statement.kelvo'], ['n', 'variable.other.kelvo'],
    ['.', 'punctuation.accessor.kelvo'], ['setPos', 'entity.name.function.member.kelvo'],
    ['(', 'punctuation.section.parens.kelvo'], ['1', 'constant.numeric.integer.kelvo'],
    [')', 'punctuation.section.parens.kelvo'], [';', 'punctuation.terminator.statement.kelvo']]],
  // Longest operator first; a lone & or | is no operator.
  ['a += b == c != !d <= e >= f < g > h && i || j -- % k & l | m', [['a', 'variable.other.kelvo'],
    ['+=', 'keyword.operator.assignment.compound.kelvo'], ['b', 'variable.other.kelvo'],
    ['==', 'keyword.operator.comparison.kelvo'], ['c', 'variable.other.kelvo'],
    ['!=', 'keyword.operator.comparison.kelvo'], ['!', 'keyword.operator.logical.kelvo'],
    ['d', 'variable.other.kelvo'], ['<=', 'keyword.operator.comparison.kelvo'], ['e', 'variable.other.kelvo'],
    ['>=', 'keyword.operator.comparison.kelvo'], ['f', 'variable.other.kelvo'],
    ['<', 'keyword.operator.comparison.kelvo'], ['g', 'variable.other.kelvo'],
    ['>', 'keyword.operator.comparison.kelvo'], ['h', 'variable.other.kelvo'],
    ['&&', 'keyword.operator.logical.kelvo'], ['i', 'variable.other.kelvo'],
    ['||', 'keyword.operator.logical.kelvo'], ['j', 'variable.other.kelvo'],
    ['--', 'keyword.operator.increment.kelvo'], ['%', 'keyword.operator.arithmetic.kelvo'],
    ['k', 'variable.other.kelvo'], ['&', 'invalid.illegal.character.kelvo'], ['l', 'variable.other.kelvo'],
    ['|', 'invalid.illegal.character.kelvo'], ['m', 'variable.other.kelvo']]],
  ['l[0] = # 2;', [['l', 'variable.other.kelvo'], ['[', 'punctuation.section.brackets.kelvo'],
    ['0', 'constant.numeric.integer.kelvo'], [']', 'punctuation.section.brackets.kelvo'],
    ['=', 'keyword.operator.assignment.kelvo'], ['#', 'invalid.illegal.character.kelvo'],
    ['2', 'constant.numeric.integer.kelvo'], [';', 'punctuation.terminator.statement.kelvo']]],
  // Strings of either quote; backslash and its own quote stays inside; no
  // other escapes; a string may span lines.
  ['s = "a\\"b" + \'x"y\' + "c\\n";', [['s', 'variable.other.kelvo'], ['=', 'keyword.operator.assignment.kelvo'],
    ['"', 'punctuation.definition.string.begin.kelvo'], ['a', 'string.quoted.double.kelvo'],
    ['\\"', 'constant.character.escape.kelvo'], ['b', 'string.quoted.double.kelvo'],
    ['"', 'punctuation.definition.string.end.kelvo'], ['+', 'keyword.operator.arithmetic.kelvo'],
    ["'", 'punctuation.definition.string.begin.kelvo'], ['x"y', 'string.quoted.single.kelvo'],
    ["'", 'punctuation.definition.string.end.kelvo'], ['+', 'keyword.operator.arithmetic.kelvo'],
    ['"', 'punctuation.definition.string.begin.kelvo'], ['c\\n', 'string.quoted.double.kelvo'],
    ['"', 'punctuation.definition.string.end.kelvo'], [';', 'punctuation.terminator.statement.kelvo']]],
  ['print("one\ntwo");', [['print', 'support.function.builtin.kelvo'], ['(', 'punctuation.section.parens.kelvo'],
    ['"', 'punctuation.definition.string.begin.kelvo'], ['one', 'string.quoted.double.kelvo'],
    ['two', 'string.quoted.double.kelvo'], ['"', 'punctuation.definition.string.end.kelvo'],
    [')', 'punctuation.section.parens.kelvo'], [';', 'punctuation.terminator.statement.kelvo']]],
  // Comments: to the line end; block comments span lines and do not nest.
  ['a/*x*/b // if "c"\n/* a /* b */ c */', [['a', 'variable.other.kelvo'],
    ['/*', 'punctuation.definition.comment.begin.kelvo'], ['x', 'comment.block.kelvo'],
    ['*/', 'punctuation.definition.comment.end.kelvo'], ['b', 'variable.other.kelvo'],
    ['// if "c"', 'comment.line.double-slash.kelvo'], ['/*', 'punctuation.definition.comment.begin.kelvo'],
    [' a /* b ', 'comment.block.kelvo'], ['*/', 'punctuation.definition.comment.end.kelvo'],
    ['c', 'variable.other.kelvo'], ['*', 'keyword.operator.arithmetic.kelvo'],
    ['/', 'keyword.operator.arithmetic.kelvo']]],
  ['/* one\ntwo */ x', [['/*', 'punctuation.definition.comment.begin.kelvo'], [' one', 'comment.block.kelvo'],
    ['two ', 'comment.block.kelvo'], ['*/', 'punctuation.definition.comment.end.kelvo'],
    ['x', 'variable.other.kelvo']]],
  ['def f(\n  a, // the first\n  b) { }', [['def', 'storage.type.function.kelvo'], ['f', 'entity.name.function.kelvo'],
    ['(', 'punctuation.section.parens.begin.kelvo'], ['a', 'variable.parameter.kelvo'],
    [',', 'punctuation.separator.comma.kelvo'], ['// the first', 'comment.line.double-slash.kelvo'],
    ['b', 'variable.parameter.kelvo'], [')', 'punctuation.section.parens.end.kelvo'],
    ['{', 'punctuation.section.braces.kelvo'], ['}', 'punctuation.section.braces.kelvo']]],
];

test('snippets get the scopes an editor colours by', async () => {
  const grammar = await loadGrammar();
  for (const [source, expected] of snippets) {
    const got = tokenise(grammar, source)
      .tokens.filter((t) => t.text.trim() !== '')
      .map((t) => [t.text, t.scopes[t.scopes.length - 1]]);
    assert.deepEqual(got, expected, source);
  }
});

test("the problem matchers read kelvo-script --check's errors, warnings and notes", () => {
  const manifest = JSON.parse(fs.readFileSync(path.join(extension, 'package.json'), 'utf8'));
  const matchers = Object.fromEntries(manifest.contributes.problemMatchers.map((m) => [m.name, m]));
  // What a problem matcher makes of one line: the first matcher that takes it.
  const problem = (line) => {
    for (const m of Object.values(matchers)) {
      const match = new RegExp(m.pattern.regexp).exec(line);
      if (!match) continue;
      const p = m.pattern;
      return {
        file: match[p.file],
        line: Number(match[p.line]),
        column: Number(match[p.column]),
        severity: (p.severity && match[p.severity]) || m.severity,
        message: match[p.message],
      };
    }
    return null;
  };

  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'kelvo matcher '));
  try {
    // Warnings come from a script that parses; a syntax error stops the
    // checks after the parse.
    const cases = [
      ['warned scene.ks', 'a = b;\n  sin(1, 2);\nscene = Group();\n', 0, [
        { line: 1, column: 4, severity: 'warning', message: /^'b' is read but never assigned$/ },
        { line: 2, column: 2, severity: 'warning', message: /^sin takes 1 argument/ },
      ]],
      ['broken scene.ks', 'scene = Group();\nx = (1;\n', 1, [
        { line: 2, column: 6, severity: 'error', message: /^syntax error, unexpected ;/ },
      ]],
    ];
    for (const [name, text, status, expected] of cases) {
      const script = path.join(dir, name);
      fs.writeFileSync(script, text);
      const run = spawnSync(kelvoScript, ['--check', script], { encoding: 'utf8' });
      assert.equal(run.status, status, run.stderr);
      const found = run.stderr.split('\n').filter((l) => l !== '').map(problem);
      assert.equal(found.length, expected.length, run.stderr);
      found.forEach((p, i) => {
        assert.ok(p, `no matcher takes line ${i + 1} of:\n${run.stderr}`);
        assert.equal(p.file, script);
        assert.equal(p.line, expected[i].line, run.stderr);
        assert.equal(p.column, expected[i].column, run.stderr);
        assert.equal(p.severity, expected[i].severity, run.stderr);
        assert.match(p.message, expected[i].message);
      });
    }
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
  const note = problem('lib/x.ks:3.0: note: this warning came 2 more times: sin takes 1 argument');
  assert.deepEqual(note, { file: 'lib/x.ks', line: 3, column: 0, severity: 'info',
    message: 'this warning came 2 more times: sin takes 1 argument' });
  assert.equal(problem('x.ks: 5 more errors not shown'), null);
});
