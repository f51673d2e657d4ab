// The library that sitemap-generator-cli wraps, run with the CLI's defaults (5 requests at a
// time) but without its crawler's fixed 250 ms pause between request starts, so that the
// benchmark also shows how fast the peer crawls when it is not throttled.
// Usage: node peer_unthrottled.js URL SITEMAP_PATH
const SitemapGenerator = require('sitemap-generator');

const [url, filepath] = process.argv.slice(2);
const generator = SitemapGenerator(url, { filepath, maxConcurrency: 5 });
generator.getCrawler().interval = 1;  // milliseconds between request starts
generator.on('done', () => process.exit(0));
generator.start();
